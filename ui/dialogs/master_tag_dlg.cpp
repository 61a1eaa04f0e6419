#include "ui/dialogs/master_tag_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <iterator>

#include "master/master_dialogs.h"
#include "master/master_tag_settings.h"
#include "model/tag.h"
#include "model/tag_text.h"
#include "ui/dialogs/dialog_fields.h"

CMasterTagDlg::CMasterTagDlg(clTag& tag, int32_t ioaSize, const QString& settingsPath,
                             QWidget* parent)
    : CGeometryDialog("MasterTagProperties", settingsPath, parent), tag_(tag), ioaSize_(ioaSize) {
  setWindowTitle("Tag Properties");
  const clMasterTagSettings s = clMasterTagSettings::From(tag);
  name = new QLineEdit(QString::fromStdString(s.name));
  type = new QComboBox;
  for (int32_t code : kMasterTagTypeOrder) type->addItem(TagTypeName(code), code);
  type->setCurrentIndex(MasterTagTypeIndex(s.type));
  address = new CIoaFields(s.address);
  sbo = new QComboBox;
  sbo->addItems({"Direct Operate", "Select Operate"});
  sbo->setCurrentIndex(s.selectBeforeOperate ? 1 : 0);

  scaleEnabled = new QCheckBox("Enable Scale");
  scaleEnabled->setChecked(s.scaleEnabled);
  linear = new QRadioButton("Linear");
  factorScaling = new QRadioButton("Scale Factor");
  auto* modes = new QButtonGroup(this);
  modes->addButton(linear);
  modes->addButton(factorScaling);
  linear->setChecked(s.scaleType == clMasterTagSettings::kScaleLinear);
  factorScaling->setChecked(s.scaleType == clMasterTagSettings::kScaleFactor);
  rawMin = new CNumberEdit;
  rawMin->SetDouble(s.rawMin);
  rawMax = new CNumberEdit;
  rawMax->SetDouble(s.rawMax);
  engMin = new CNumberEdit;
  engMin->SetDouble(s.engMin);
  engMax = new CNumberEdit;
  engMax->SetDouble(s.engMax);
  factor = new CNumberEdit;
  factor->SetDouble(s.factor);

  analog = new QGroupBox("Analog Parameter");
  auto* grid = new QGridLayout(analog);
  grid->addWidget(scaleEnabled, 0, 0, 1, 3);
  grid->addWidget(linear, 1, 0, 1, 3);
  grid->addWidget(new QLabel("Min"), 2, 1);
  grid->addWidget(new QLabel("Max"), 2, 2);
  grid->addWidget(new QLabel("Raw"), 3, 0);
  grid->addWidget(rawMin, 3, 1);
  grid->addWidget(rawMax, 3, 2);
  grid->addWidget(new QLabel("Scale To"), 4, 0);
  grid->addWidget(engMin, 4, 1);
  grid->addWidget(engMax, 4, 2);
  grid->addWidget(factorScaling, 5, 0, 1, 3);
  grid->addWidget(new QLabel("Factor"), 6, 0);
  grid->addWidget(factor, 6, 1);

  auto* form = new QFormLayout;
  form->addRow("Name", name);
  form->addRow("Type", type);
  form->addRow("SBO", sbo);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(address);
  layout->addWidget(analog);
  layout->addWidget(Buttons());

  connect(type, &QComboBox::currentIndexChanged, this, &CMasterTagDlg::UpdateEnabling);
  connect(scaleEnabled, &QCheckBox::toggled, this, &CMasterTagDlg::UpdateEnabling);
  connect(linear, &QRadioButton::toggled, this, &CMasterTagDlg::UpdateEnabling);
  connect(factorScaling, &QRadioButton::toggled, this, &CMasterTagDlg::UpdateEnabling);
  UpdateEnabling();
}

void CMasterTagDlg::UpdateEnabling() {
  clMasterTagSettings s;
  s.type = MasterTagTypeAt(type->currentIndex());
  if (s.type == 0) s.type = tag_.TagType();  // no entry chosen: the tag's own type
  s.scaleEnabled = scaleEnabled->isChecked();
  s.scaleType = linear->isChecked()          ? clMasterTagSettings::kScaleLinear
                : factorScaling->isChecked() ? clMasterTagSettings::kScaleFactor
                                             : clMasterTagSettings::kScaleNone;
  sbo->setEnabled(s.SboEnabled());
  scaleEnabled->setEnabled(s.ScaleEnabled());
  const bool modes = s.ScaleEnabled() && s.scaleEnabled;
  linear->setEnabled(modes);
  factorScaling->setEnabled(modes);
  for (CNumberEdit* field : {rawMin, rawMax, engMin, engMax}) field->setEnabled(s.LinearEnabled());
  factor->setEnabled(s.FactorEnabled());
}

void CMasterTagDlg::accept() {
  clMasterTagSettings s = clMasterTagSettings::From(tag_);
  s.name = name->text().toStdString();
  const int32_t chosen = MasterTagTypeAt(type->currentIndex());
  if (chosen != 0) s.type = chosen;
  s.selectBeforeOperate = sbo->currentIndex() == 1;
  s.scaleEnabled = scaleEnabled->isChecked();
  if (linear->isChecked()) s.scaleType = clMasterTagSettings::kScaleLinear;
  if (factorScaling->isChecked()) s.scaleType = clMasterTagSettings::kScaleFactor;
  QString label;
  if (StoredIoa(s.type, 1) != 0) {
    if (CNumberEdit* bad = address->Read(&s.address, &label)) return RefuseNumber(bad, label);
  } else {
    s.address.structured = address->structured->isChecked();
  }
  const struct {
    CNumberEdit* field;
    const char* label;
    double* value;
  } numbers[] = {
      {rawMin, "Raw", &s.rawMin},      {rawMax, "Raw", &s.rawMax},
      {engMin, "Scale To", &s.engMin}, {engMax, "Scale To", &s.engMax},
      {factor, "Factor", &s.factor},
  };
  for (const auto& number : numbers) {
    if (!number.field->isEnabled()) continue;
    if (!number.field->ReadDouble(number.value)) return RefuseNumber(number.field, number.label);
  }
  const std::string bad = s.Check(ioaSize_);
  if (!bad.empty()) return Refuse(QString::fromStdString(bad));
  s.ApplyTo(tag_);
  CGeometryDialog::accept();
}
