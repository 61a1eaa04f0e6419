#pragma once
#include <QString>

#include "ui/dialogs/geometry_dialog.h"

class QFormLayout;
class QLineEdit;
class clTag;
struct clMasterWrite;

// The base of the master's command dialogs: the tag's name in "Name", the
// command's own fields below it, the confirm button ("OK" or "Send") and
// "Cancel". The value is written into the command's clMasterWrite on
// confirmation only; the dialog sends nothing.
class CWriteCommandDlg : public CGeometryDialog {
  Q_OBJECT

 public:
  QLineEdit* name;

 protected:
  CWriteCommandDlg(const QString& caption, const QString& confirm, const clTag& tag,
                   clMasterWrite& write, const QString& settingsPath, QWidget* parent);

  // Where a command adds its rows ("Value", ...).
  QFormLayout* Fields() const { return fields_; }

  const clTag& tag_;
  clMasterWrite& write_;

 private:
  QFormLayout* fields_;
};

// "Interrogation Command": nothing to choose; "Send" confirms.
class CWriteInterrogationDlg : public CWriteCommandDlg {
  Q_OBJECT

 public:
  CWriteInterrogationDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                         QWidget* parent = nullptr);
};
