#include "ui/dialogs/dialogs.h"

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
    case CDialog::kImport:
      return false;  // not built yet: nothing is imported
  }
  return false;
}
