#pragma once
#include "ui/dialogs/geometry_dialog.h"

class CFieldSizeGroup;
class CNumberEdit;
class CPortCombo;
class QLineEdit;
class clDevice;
class clSerialPorts;

// "IEC 870-5-101 Slave Properties": name, link address, port and field sizes;
// while the device runs only the name. Stores on OK only (clSlaveSettings).
class CIEC101SlaveDlg : public CGeometryDialog {
  Q_OBJECT

 public:
  CIEC101SlaveDlg(clDevice& device, const clSerialPorts& ports, bool running,
                  const QString& settingsPath, QWidget* parent = nullptr);

  void accept() override;

  QLineEdit* name;
  CNumberEdit* linkAddress;
  CPortCombo* port;
  CFieldSizeGroup* sizes;

 private:
  clDevice& device_;
};
