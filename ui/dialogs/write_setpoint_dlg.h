#pragma once
#include "ui/dialogs/write_command_dlg.h"

class CNumberEdit;

// The setpoint dialogs: "Value" is a number field showing the value sent last
// with the command. OK refuses, with the reason, a text that is not a number
// or a number the command cannot carry; nothing is sent then.
class CWriteSetpointDlg : public CWriteCommandDlg {
  Q_OBJECT

 public:
  void accept() override;

  CNumberEdit* value;

 protected:
  // `whole`: the command carries whole numbers only.
  CWriteSetpointDlg(const QString& caption, bool whole, const clTag& tag, clMasterWrite& write,
                    const QString& settingsPath, QWidget* parent);
};

// "Set Point Normalized Command": a fraction from -1 to 1.
class CWriteNormalizeDlg : public CWriteSetpointDlg {
  Q_OBJECT

 public:
  CWriteNormalizeDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                     QWidget* parent = nullptr);
};

// "Set Point Command" of a scaled setpoint: a whole number of 16 bits.
class CWriteScaleDlg : public CWriteSetpointDlg {
  Q_OBJECT

 public:
  CWriteScaleDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                 QWidget* parent = nullptr);
};

// "Set Point Command" of a float setpoint: a single-precision number.
class CWriteFloatDlg : public CWriteSetpointDlg {
  Q_OBJECT

 public:
  CWriteFloatDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                 QWidget* parent = nullptr);
};
