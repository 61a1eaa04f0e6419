#include "ui/mainframe/desktop_user.h"

#include <QFileDialog>
#include <QMessageBox>

#include "ui/dialogs/dialogs.h"

namespace {

constexpr const char* kMessageTitle = "Telvane";
constexpr const char* kFileFilter = "Configuration File (*.cf1)";

}  // namespace

void CDesktopUser::Tell(const QString& text) {
  QMessageBox::warning(parent_, kMessageTitle, text, QMessageBox::Ok);
}

CAnswer CDesktopUser::Ask(const QString& text, bool cancel) {
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
  if (cancel) buttons |= QMessageBox::Cancel;
  switch (QMessageBox::question(parent_, kMessageTitle, text, buttons)) {
    case QMessageBox::Yes:
      return CAnswer::kYes;
    case QMessageBox::No:
      return CAnswer::kNo;
    default:
      return cancel ? CAnswer::kCancel : CAnswer::kNo;
  }
}

bool CDesktopUser::OpenDialog(CDialogRequest& request) { return RunDialog(parent_, request); }

QString CDesktopUser::ChooseFile(bool save, const QString& proposed) {
  if (save) {
    QFileDialog dialog(parent_, "Save As", proposed, kFileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("cf1");
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  }
  return QFileDialog::getOpenFileName(parent_, "Open", proposed, kFileFilter);
}

void CDesktopUser::ShowTraffic(clDevice& device, int textLength, int textCut) {
  traffic_.Show(device, textLength, textCut, parent_);
}
