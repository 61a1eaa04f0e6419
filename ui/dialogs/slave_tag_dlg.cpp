#include "ui/dialogs/slave_tag_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/device.h"
#include "model/tag.h"
#include "model/tag_text.h"
#include "slave/slave_tag_settings.h"
#include "ui/dialogs/browse_tag_dlg.h"
#include "ui/dialogs/dialog_fields.h"

namespace {

constexpr const char* kQualityLabels[] = {"Overflow", "Blocked", "Subtituted", "Not Topical",
                                          "Invalid"};
static_assert(std::size(kQualityLabels) == std::size(kSlaveQualityBits));

}  // namespace

CSlaveTagDlg::CSlaveTagDlg(clTag& tag, const clDevice& device, const QString& settingsPath,
                           QWidget* parent)
    : CGeometryDialog("SlaveTagProperties", settingsPath, parent),
      tag_(tag),
      device_(device),
      linkTarget_(tag.LinkTarget()) {
  setWindowTitle("Tag Properties");
  const clSlaveTagSettings s = clSlaveTagSettings::From(tag);
  name = new QLineEdit(QString::fromStdString(s.name));
  type = new QComboBox;
  for (int32_t code : kSlaveTagTypeOrder) type->addItem(TagTypeName(code), code);
  type->setCurrentIndex(SlaveTagTypeIndex(s.type));
  address = new CIoaFields(s.address);

  linkEnabled = new QCheckBox("Enable Link");
  linkEnabled->setChecked(s.linkEnabled);
  linkText = new QLineEdit;
  linkText->setReadOnly(true);
  browse = new QPushButton("Browse");
  SetLinkTarget(s.linkTarget);
  auto* link = new QGroupBox("Tag Link (Simulation)");
  auto* linkLayout = new QGridLayout(link);
  linkLayout->addWidget(linkEnabled, 0, 0, 1, 2);
  linkLayout->addWidget(linkText, 1, 0);
  linkLayout->addWidget(browse, 1, 1);

  auto* qualityBox = new QGroupBox("Quality Descriptor");
  auto* qualityLayout = new QGridLayout(qualityBox);
  for (size_t i = 0; i < quality.size(); ++i) {
    quality[i] = new QCheckBox(kQualityLabels[i]);
    quality[i]->setChecked((s.quality & kSlaveQualityBits[i]) != 0);
    qualityLayout->addWidget(quality[i], static_cast<int>(i % 3), static_cast<int>(i / 3));
  }

  auto* form = new QFormLayout;
  form->addRow("Name", name);
  form->addRow("Type", type);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(address);
  layout->addWidget(link);
  layout->addWidget(qualityBox);
  layout->addWidget(Buttons());

  connect(browse, &QPushButton::clicked, this, &CSlaveTagDlg::Browse);
}

int32_t CSlaveTagDlg::ChosenType() const {
  const int32_t chosen = SlaveTagTypeAt(type->currentIndex());
  return chosen != 0 ? chosen : tag_.TagType();
}

void CSlaveTagDlg::SetLinkTarget(int32_t id) {
  linkTarget_ = id;
  linkText->setText(QString::fromStdString(LinkText(device_, id)));
}

void CSlaveTagDlg::Browse() {
  // The browser offers what suits the type chosen here; the tag itself keeps
  // its type until OK.
  CBrowseTagDlg browser(device_, ChosenType(), linkTarget_, SettingsPath(), this);
  if (browser.exec() == QDialog::Accepted && browser.Chosen() != nullptr)
    SetLinkTarget(browser.Chosen()->Id());
}

void CSlaveTagDlg::accept() {
  clSlaveTagSettings s;
  s.name = name->text().toStdString();
  s.type = ChosenType();
  QString label;
  if (CNumberEdit* bad = address->Read(&s.address, &label)) return RefuseNumber(bad, label);
  s.linkEnabled = linkEnabled->isChecked();
  s.linkTarget = linkTarget_;
  for (size_t i = 0; i < quality.size(); ++i)
    if (quality[i]->isChecked()) s.quality |= kSlaveQualityBits[i];
  const std::string bad = s.Check(device_.IoaSize());
  if (!bad.empty()) return Refuse(QString::fromStdString(bad));
  s.ApplyTo(tag_);
  CGeometryDialog::accept();
}
