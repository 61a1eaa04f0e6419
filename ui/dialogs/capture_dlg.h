#pragma once
#include "ui/dialogs/geometry_dialog.h"

class CFieldSizeGroup;
class CPortCombo;
class QLineEdit;
class clIEC101CaptureDevice;
class clSerialPorts;

// "IEC 870-5-101 Monitor Properties": name, the two ports and the field sizes;
// while the device runs only the name. Stores on OK only (clCaptureSettings).
class CIEC101CaptureDlg : public CGeometryDialog {
  Q_OBJECT

 public:
  CIEC101CaptureDlg(clIEC101CaptureDevice& device, const clSerialPorts& ports, bool running,
                    const QString& settingsPath, QWidget* parent = nullptr);

  void accept() override;

  QLineEdit* name;
  CPortCombo* port1;
  CPortCombo* port2;
  CFieldSizeGroup* sizes;

 private:
  clIEC101CaptureDevice& device_;
};
