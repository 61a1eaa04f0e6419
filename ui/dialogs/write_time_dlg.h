#pragma once
#include "ui/dialogs/write_command_dlg.h"

class QDateEdit;
class QRadioButton;
class QTimeEdit;

// "Time Synchronization": "Current Time" sends the computer's time at the
// moment of sending; "Custom Time" the date and time of the pickers (whole
// seconds), which are enabled only while it is chosen. Opens with the choice,
// date and time used last.
class CWriteTimeDlg : public CWriteCommandDlg {
  Q_OBJECT

 public:
  CWriteTimeDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                QWidget* parent = nullptr);

  void accept() override;

  QRadioButton* currentTime;
  QRadioButton* customTime;
  QDateEdit* date;
  QTimeEdit* time;

 private:
  void UpdateEnabling();
};
