#include "ui/options/option_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

namespace {

QSpinBox* NumberField(int value) {
  auto* field = new QSpinBox;
  field->setRange(-1, INT_MAX);
  field->setValue(value);
  field->setMinimumWidth(120);
  return field;
}

}  // namespace

COptionDlg::COptionDlg(COptions& options, QWidget* parent)
    : QDialog(parent), options_(options) {
  setWindowTitle("Option");
  const COptionValues values = options_.DialogValues();
  autoOpen_ = new QCheckBox("Auto open last configuration file");
  autoOpen_->setChecked(values.autoOpen);
  autoRun_ = new QCheckBox("Autostart Communication on startup");
  autoRun_->setChecked(values.autoRun);
  textLength_ = NumberField(values.textLength);
  textCut_ = NumberField(values.textCut);

  auto* monitor = new QGroupBox("Raw Data Monitor");
  auto* form = new QFormLayout(monitor);
  form->addRow("Maximum text length", textLength_);
  form->addRow("Text cut", textCut_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(autoOpen_);
  layout->addWidget(autoRun_);
  layout->addWidget(monitor);
  layout->addWidget(buttons);
}

void COptionDlg::accept() {
  COptionValues values;
  values.autoOpen = autoOpen_->isChecked();
  values.autoRun = autoRun_->isChecked();
  values.textLength = textLength_->value();
  values.textCut = textCut_->value();
  options_.StoreDialogValues(values);
  QDialog::accept();
}
