#pragma once
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

#include "runtime/port_choices.h"
#include "ui/dialogs/geometry_dialog.h"

class CNumberEdit;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class clSerialPort;
class clSerialPorts;

// "Port Settings": every port of the workspace with the device it opens on
// this computer. Selecting a port shows its line settings; every change is
// written to the port at once, so the dialog has only "OK". "Add Serial"
// appends a port. For a "COMn" port the user chooses the device it opens: a
// serial adapter present (by its /dev/serial/by-id name), a virtual line end,
// or any device path; that choice goes to group [Ports] of the settings file,
// never into the workspace.
class CPortDlg : public CGeometryDialog {
  Q_OBJECT

 public:
  // `mappingPath`: the settings file the ports are opened with.
  CPortDlg(clSerialPorts& ports, const QString& mappingPath, const QString& settingsPath,
           QWidget* parent = nullptr);

  // Whether a port's settings changed or a port was added: the workspace
  // changed.
  bool Changed() const { return changed_; }
  // The serial adapters present, as the system lists them now.
  static std::vector<clSerialAdapter> PresentAdapters();
  // Shows the given adapters as the ones present (Refresh lists the system's).
  void SetAdapters(std::vector<clSerialAdapter> adapters);
  // Selects port `row` of the list and shows its settings.
  void SelectPort(int row);
  // Maps the selected COMn port to `target` ("" removes its mapping), as
  // choosing a device or typing one does; false (and nothing written) for a
  // target that is neither a device path nor a virtual line end.
  bool MapSelectedPort(const QString& target);

  QTreeWidget* portList;  // "Port Name", "Device"
  QComboBox* baudRate;
  QComboBox* dataBits;
  QComboBox* parity;
  QComboBox* stopBits;
  QComboBox* flowControl;
  CNumberEdit* preKey;
  CNumberEdit* postKey;
  QComboBox* device;       // the device choices of a COMn port
  QLineEdit* otherDevice;  // any other device path or virtual line end
  QLabel* deviceState;
  QPushButton* addSerial;
  QPushButton* refresh;

 private:
  clSerialPort* Selected() const;
  void AddSerial();
  void ShowDevices();
  void ShowDeviceChoices();
  void ChoiceActivated(QComboBox* combo, void (clSerialPort::*set)(int32_t));
  void DelayEdited(CNumberEdit* field, void (clSerialPort::*set)(int32_t));
  void UpdateEnabling();

  clSerialPorts& ports_;
  QString mappingPath_;
  std::vector<clSerialAdapter> adapters_;
  bool changed_ = false;
};

// Writes group [Ports] of the settings file: `name` maps to `target`, or has no
// mapping when `target` is empty. Keys spelled like `name` in another letter
// case are removed, so that one entry remains.
void StorePortMapping(const QString& settingsPath, const QString& name, const QString& target);
