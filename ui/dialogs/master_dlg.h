#pragma once
#include "master/master_settings.h"
#include "ui/dialogs/geometry_dialog.h"

class CFieldSizeGroup;
class CNumberEdit;
class CPortCombo;
class QCheckBox;
class QLineEdit;
class clIEC101MasterDevice;
class clSerialPorts;

// "IEC 870-5-101 Master Properties": shows the master's settings, applies the
// enabling rules of clMasterSettings, and stores the settings on OK only.
class CIEC101MasterDlg : public CGeometryDialog {
  Q_OBJECT

 public:
  // `running`: the device runs, so only the name and the modem settings may
  // change.
  CIEC101MasterDlg(clIEC101MasterDevice& device, const clSerialPorts& ports, bool running,
                   const QString& settingsPath, QWidget* parent = nullptr);

  void accept() override;

  // The fields, in the order the dialog shows them.
  QLineEdit* name;
  CPortCombo* port;
  CNumberEdit* linkAddress;
  CNumberEdit* retries;
  CNumberEdit* pollInterval;
  CNumberEdit* readTimeout;
  QCheckBox* balancedMode;
  CNumberEdit* testPeriod;
  CNumberEdit* giPeriod;
  CNumberEdit* timeSyncPeriod;
  QCheckBox* autoCreateTags;
  QCheckBox* modemEnabled;
  QLineEdit* phoneNumber;
  CNumberEdit* dialTimeout;
  CFieldSizeGroup* sizes;

 private:
  void UpdateEnabling();

  clIEC101MasterDevice& device_;
  bool running_;
};
