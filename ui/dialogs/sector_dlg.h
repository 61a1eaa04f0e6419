#pragma once
#include "ui/dialogs/geometry_dialog.h"

class CNumberEdit;
class QCheckBox;
class QLineEdit;
class clSector;

// "Sector / CAASDU Properties": "Name", "Sector" (the common address) and
// "Enable". Stores on OK only (clSectorSettings); the common address must fit
// the device's sector field size.
class CSectorDlg : public CGeometryDialog {
  Q_OBJECT

 public:
  CSectorDlg(clSector& sector, int32_t sectorSize, const QString& settingsPath,
             QWidget* parent = nullptr);

  void accept() override;

  QLineEdit* name;
  CNumberEdit* commonAddress;
  QCheckBox* active;

 private:
  clSector& sector_;
  int32_t sectorSize_;
};
