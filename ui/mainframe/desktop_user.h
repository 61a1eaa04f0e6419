#pragma once
#include <QPointer>
#include <QWidget>

#include "ui/document/user_interface.h"
#include "ui/traffic/traffic_windows.h"

class CDoc;

// The document's user on the desktop: message boxes titled "Telvane", the file
// dialogs with the ".cf1" filter, the dialogs of RunDialog, and the devices'
// traffic windows.
class CDesktopUser : public CUserInterface {
 public:
  // The window the message boxes and dialogs are modal over.
  void SetParent(QWidget* parent) { parent_ = parent; }
  // Ties the traffic windows to the document's devices; call once the document
  // exists, before any "Monitor" command.
  void Follow(CDoc& doc) { traffic_.Follow(doc); }
  CTrafficWindows& TrafficWindows() { return traffic_; }
  // Nobody is there to answer (a picture being taken): messages go to stderr,
  // questions are answered No (Cancel where offered), dialogs are not opened.
  void SetUnattended(bool unattended) { unattended_ = unattended; }

  void Tell(const QString& text) override;
  CAnswer Ask(const QString& text, bool cancel) override;
  bool OpenDialog(CDialogRequest& request) override;
  QString ChooseFile(bool save, const QString& proposed) override;
  void ShowTraffic(clDevice& device, int textLength, int textCut) override;

 private:
  QPointer<QWidget> parent_;
  CTrafficWindows traffic_;
  bool unattended_ = false;
};
