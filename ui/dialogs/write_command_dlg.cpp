#include "ui/dialogs/write_command_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "master/master_write.h"
#include "model/tag.h"

namespace {

constexpr int kMinimumWidth = 300;

}  // namespace

CWriteCommandDlg::CWriteCommandDlg(const QString& caption, const QString& confirm, const clTag& tag,
                                   clMasterWrite& write, const QString& settingsPath,
                                   QWidget* parent)
    : CGeometryDialog("Write" + QString(caption).remove(' '), settingsPath, parent),
      tag_(tag),
      write_(write),
      fields_(new QFormLayout) {
  setWindowTitle(caption);
  setMinimumWidth(kMinimumWidth);
  name = new QLineEdit(QString::fromStdString(tag.Name()));
  name->setReadOnly(true);
  fields_->addRow("Name", name);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields_);
  layout->addStretch();
  layout->addWidget(Buttons(confirm));
}

CWriteInterrogationDlg::CWriteInterrogationDlg(const clTag& tag, clMasterWrite& write,
                                               const QString& settingsPath, QWidget* parent)
    : CWriteCommandDlg("Interrogation Command", "Send", tag, write, settingsPath, parent) {}
