#include "ui/mainframe/desktop_user.h"

#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>

#include "ui/dialogs/dialogs.h"

namespace {

constexpr const char* kMessageTitle = "Telvane";
constexpr const char* kFileFilter = "Configuration File (*.cf1)";

}  // namespace

void CDesktopUser::Tell(const QString& text) {
  if (unattended_) {
    std::fprintf(stderr, "telvane: %s\n", qPrintable(text));
    return;
  }
  QMessageBox::warning(parent_, kMessageTitle, text, QMessageBox::Ok);
}

CAnswer CDesktopUser::Ask(const QString& text, bool cancel) {
  if (unattended_) return cancel ? CAnswer::kCancel : CAnswer::kNo;
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

bool CDesktopUser::OpenDialog(CDialogRequest& request) {
  return !unattended_ && RunDialog(parent_, request);
}

QString CDesktopUser::ChooseFile(bool save, const QString& proposed) {
  if (unattended_) return QString();
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
