#include "ui/dialogs/sector_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "model/object_settings.h"
#include "ui/dialogs/dialog_fields.h"

CSectorDlg::CSectorDlg(clSector& sector, int32_t sectorSize, const QString& settingsPath,
                       QWidget* parent)
    : CGeometryDialog("SectorProperties", settingsPath, parent),
      sector_(sector),
      sectorSize_(sectorSize) {
  setWindowTitle("Sector / CAASDU Properties");
  const clSectorSettings s = clSectorSettings::From(sector);
  name = new QLineEdit(QString::fromStdString(s.name));
  commonAddress = new CNumberEdit(0, LargestCommonAddress(sectorSize));
  commonAddress->SetInt(s.commonAddress);
  active = new QCheckBox("Enable");
  active->setChecked(s.active);

  auto* form = new QFormLayout;
  form->addRow("Name", name);
  form->addRow("Sector", commonAddress);
  form->addRow(active);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(Buttons());
}

void CSectorDlg::accept() {
  clSectorSettings s;
  s.name = name->text().toStdString();
  s.active = active->isChecked();
  if (!commonAddress->ReadInt(&s.commonAddress)) return RefuseNumber(commonAddress, "Sector");
  const std::string bad = s.Check(sectorSize_);
  if (!bad.empty()) return Refuse(QString::fromStdString(bad));
  s.ApplyTo(sector_);
  CGeometryDialog::accept();
}
