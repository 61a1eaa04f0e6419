#pragma once
#include "ui/dialogs/geometry_dialog.h"

class CIoaFields;
class CNumberEdit;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class clTag;

// "Tag Properties" of a master tag: name, type, address, "SBO" and "Analog
// Parameter". The enabling rules of clMasterTagSettings are applied on opening
// and on every change of the type, the structure choice, "Enable Scale",
// "Linear" or "Scale Factor"; the tag is written on OK only.
class CMasterTagDlg : public CGeometryDialog {
  Q_OBJECT

 public:
  // `ioaSize`: octets of the device's information object addresses.
  CMasterTagDlg(clTag& tag, int32_t ioaSize, const QString& settingsPath,
                QWidget* parent = nullptr);

  void accept() override;

  QLineEdit* name;
  QComboBox* type;
  CIoaFields* address;
  QComboBox* sbo;
  QGroupBox* analog;
  QCheckBox* scaleEnabled;
  QRadioButton* linear;
  QRadioButton* factorScaling;
  CNumberEdit* rawMin;
  CNumberEdit* rawMax;
  CNumberEdit* engMin;
  CNumberEdit* engMax;
  CNumberEdit* factor;

 private:
  void UpdateEnabling();

  clTag& tag_;
  int32_t ioaSize_;
};
