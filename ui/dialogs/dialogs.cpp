#include "ui/dialogs/dialogs.h"

#include "ui/import/import_dlg.h"
#include "ui/options/option_dlg.h"

bool RunDialog(QWidget* parent, CDialogRequest& request) {
  switch (request.dialog) {
    case CDialog::kOption: {
      if (!request.options) return false;
      COptionDlg dialog(*request.options, parent);
      return dialog.exec() == QDialog::Accepted;
    }
    case CDialog::kMasterDevice:
    case CDialog::kSlaveDevice:
    case CDialog::kMonitorDevice:
    case CDialog::kSector:
    case CDialog::kMasterTag:
    case CDialog::kSlaveTag:
    case CDialog::kSerialPorts:
    case CDialog::kWriteSingleCommand:
    case CDialog::kWriteDoubleCommand:
    case CDialog::kWriteRegulatingStep:
    case CDialog::kWriteSetpointNormalized:
    case CDialog::kWriteSetpointScaled:
    case CDialog::kWriteSetpointFloat:
    case CDialog::kWriteInterrogation:
    case CDialog::kWriteClockSync:
      return true;  // not built yet: the defaults stand
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
