#pragma once
#include <QPointer>
#include <QWidget>
#include <functional>

#include "ui/document/user_interface.h"

// The document's user on the desktop: message boxes titled "Telvane", the file
// dialogs with the ".cf1" filter, the dialogs of RunDialog, and the traffic
// windows through the frame.
class CDesktopUser : public CUserInterface {
 public:
  // The window the message boxes and dialogs are modal over.
  void SetParent(QWidget* parent) { parent_ = parent; }
  // Who shows traffic windows (the main frame).
  // Nobody is there to answer (a picture being taken): messages go to stderr,
  // questions are answered No (Cancel where offered), dialogs are not opened.
  void SetUnattended(bool unattended) { unattended_ = unattended; }
  void SetTrafficShower(std::function<void(clDevice&, int, int)> show) {
    showTraffic_ = std::move(show);
  }

  void Tell(const QString& text) override;
  CAnswer Ask(const QString& text, bool cancel) override;
  bool OpenDialog(CDialogRequest& request) override;
  QString ChooseFile(bool save, const QString& proposed) override;
  void ShowTraffic(clDevice& device, int textLength, int textCut) override;

 private:
  QPointer<QWidget> parent_;
  bool unattended_ = false;
  std::function<void(clDevice&, int, int)> showTraffic_;
};
