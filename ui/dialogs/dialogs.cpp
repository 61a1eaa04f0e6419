#include "ui/dialogs/dialogs.h"

#include <memory>

#include "model/capture_device.h"
#include "model/master_device.h"
#include "model/workspace.h"
#include "runtime/port_settings.h"
#include "ui/dialogs/capture_dlg.h"
#include "ui/dialogs/master_dlg.h"
#include "ui/dialogs/master_tag_dlg.h"
#include "ui/dialogs/port_dlg.h"
#include "ui/dialogs/sector_dlg.h"
#include "ui/dialogs/slave_dlg.h"
#include "ui/dialogs/slave_tag_dlg.h"
#include "ui/dialogs/write_choice_dlg.h"
#include "ui/dialogs/write_setpoint_dlg.h"
#include "ui/dialogs/write_time_dlg.h"
#include "ui/import/import_dlg.h"
#include "ui/options/option_dlg.h"
#include "ui/options/options.h"

namespace {

// The settings file the dialogs keep their geometry in.
QString GeometryPath(const CDialogRequest& request) {
  return request.options ? request.options->Path() : CGeometryDialog::DefaultSettingsPath();
}

// The window of a dialog on the request's objects; null when the request lacks
// what the dialog needs.
std::unique_ptr<QDialog> DeviceDialog(QWidget* parent, CDialogRequest& request) {
  const QString path = GeometryPath(request);
  clSerialPorts& ports = request.workspace->Ports();
  switch (request.dialog) {
    case CDialog::kMasterDevice:
      if (auto* master = dynamic_cast<clIEC101MasterDevice*>(request.device))
        return std::make_unique<CIEC101MasterDlg>(*master, ports, request.running, path, parent);
      return nullptr;
    case CDialog::kSlaveDevice:
      return std::make_unique<CIEC101SlaveDlg>(*request.device, ports, request.running, path,
                                               parent);
    case CDialog::kMonitorDevice:
      if (auto* monitor = dynamic_cast<clIEC101CaptureDevice*>(request.device))
        return std::make_unique<CIEC101CaptureDlg>(*monitor, ports, request.running, path, parent);
      return nullptr;
    default:
      return nullptr;
  }
}

std::unique_ptr<QDialog> TagDialog(QWidget* parent, CDialogRequest& request) {
  const QString path = GeometryPath(request);
  switch (request.dialog) {
    case CDialog::kSector:
      if (!request.sector) return nullptr;
      return std::make_unique<CSectorDlg>(*request.sector, request.device->SectorSize(), path,
                                          parent);
    case CDialog::kMasterTag:
      if (!request.tag) return nullptr;
      return std::make_unique<CMasterTagDlg>(*request.tag, request.device->IoaSize(), path, parent);
    case CDialog::kSlaveTag:
      if (!request.tag) return nullptr;
      return std::make_unique<CSlaveTagDlg>(*request.tag, *request.device, path, parent);
    default:
      return nullptr;
  }
}

std::unique_ptr<QDialog> WriteDialog(QWidget* parent, CDialogRequest& request) {
  if (!request.tag || !request.write) return nullptr;
  const QString path = GeometryPath(request);
  const clTag& tag = *request.tag;
  clMasterWrite& write = *request.write;
  switch (request.dialog) {
    case CDialog::kWriteSingleCommand:
      return std::make_unique<CWriteSCDlg>(tag, write, path, parent);
    case CDialog::kWriteDoubleCommand:
      return std::make_unique<CWriteDCDlg>(tag, write, path, parent);
    case CDialog::kWriteRegulatingStep:
      return std::make_unique<CWriteStepDlg>(tag, write, path, parent);
    case CDialog::kWriteSetpointNormalized:
      return std::make_unique<CWriteNormalizeDlg>(tag, write, path, parent);
    case CDialog::kWriteSetpointScaled:
      return std::make_unique<CWriteScaleDlg>(tag, write, path, parent);
    case CDialog::kWriteSetpointFloat:
      return std::make_unique<CWriteFloatDlg>(tag, write, path, parent);
    case CDialog::kWriteInterrogation:
      return std::make_unique<CWriteInterrogationDlg>(tag, write, path, parent);
    case CDialog::kWriteClockSync:
      return std::make_unique<CWriteTimeDlg>(tag, write, path, parent);
    default:
      return nullptr;
  }
}

bool Run(std::unique_ptr<QDialog> dialog) { return dialog && dialog->exec() == QDialog::Accepted; }

}  // namespace

bool RunDialog(QWidget* parent, CDialogRequest& request) {
  switch (request.dialog) {
    case CDialog::kOption: {
      if (!request.options) return false;
      COptionDlg dialog(*request.options, parent);
      return dialog.exec() == QDialog::Accepted;
    }
    case CDialog::kSerialPorts: {
      if (!request.workspace) return false;
      // Changes apply at once; the dialog closes with OK only (or its close
      // box), and tells whether the workspace changed.
      CPortDlg dialog(request.workspace->Ports(), QString::fromStdString(UserSettingsPath()),
                      GeometryPath(request), parent);
      dialog.exec();
      return dialog.Changed();
    }
    case CDialog::kMasterDevice:
    case CDialog::kSlaveDevice:
    case CDialog::kMonitorDevice:
      if (!request.workspace || !request.device) return false;
      return Run(DeviceDialog(parent, request));
    case CDialog::kSector:
    case CDialog::kMasterTag:
    case CDialog::kSlaveTag:
      if (!request.device) return false;
      return Run(TagDialog(parent, request));
    case CDialog::kWriteSingleCommand:
    case CDialog::kWriteDoubleCommand:
    case CDialog::kWriteRegulatingStep:
    case CDialog::kWriteSetpointNormalized:
    case CDialog::kWriteSetpointScaled:
    case CDialog::kWriteSetpointFloat:
    case CDialog::kWriteInterrogation:
    case CDialog::kWriteClockSync:
      return Run(WriteDialog(parent, request));
    case CDialog::kImport: {
      if (!request.workspace || !request.device) return false;
      CImportDlg dialog(*request.workspace, *request.device, parent);
      dialog.exec();
      // An import replaces the sectors at once: it stands even when the
      // window is then closed with Cancel.
      return dialog.Imported();
    }
  }
  return false;
}
