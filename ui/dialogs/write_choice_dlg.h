#pragma once
#include "ui/dialogs/write_command_dlg.h"

class QComboBox;

// The command dialogs whose "Value" is one of two states. The list shows the
// value sent last with the command (no entry when it is neither state); OK
// hands on the chosen state, or leaves the value as it was when none is chosen.
class CWriteChoiceDlg : public CWriteCommandDlg {
  Q_OBJECT

 public:
  void accept() override;

  QComboBox* value;

 protected:
  CWriteChoiceDlg(const QString& caption, const QString& first, const QString& second,
                  const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                  QWidget* parent);
};

// "Single Command": "Off" 0, "On" 1.
class CWriteSCDlg : public CWriteChoiceDlg {
  Q_OBJECT

 public:
  CWriteSCDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
              QWidget* parent = nullptr);
};

// "Double Command": "Open" 1, "Close" 2.
class CWriteDCDlg : public CWriteChoiceDlg {
  Q_OBJECT

 public:
  CWriteDCDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
              QWidget* parent = nullptr);
};

// "Regulating Step Command": "Lower" 1, "Higher" 2.
class CWriteStepDlg : public CWriteChoiceDlg {
  Q_OBJECT

 public:
  CWriteStepDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                QWidget* parent = nullptr);
};
