#include "ui/dialogs/write_setpoint_dlg.h"

#include <QFormLayout>
#include <climits>

#include "master/master_dialogs.h"
#include "master/master_write.h"
#include "model/tag.h"
#include "ui/dialogs/dialog_fields.h"

CWriteSetpointDlg::CWriteSetpointDlg(const QString& caption, bool whole, const clTag& tag,
                                     clMasterWrite& write, const QString& settingsPath,
                                     QWidget* parent)
    : CWriteCommandDlg(caption, "OK", tag, write, settingsPath, parent),
      // The field takes any number of its kind; the command's own range is
      // checked on OK, so that the message can say what the range is.
      value(whole ? new CNumberEdit(INT_MIN, INT_MAX) : new CNumberEdit) {
  value->SetDouble(write.value);
  Fields()->addRow("Value", value);
}

void CWriteSetpointDlg::accept() {
  double number = 0;
  const std::string bad = ReadSetpointValue(tag_.TagType(), value->text().toStdString(), &number);
  if (!bad.empty()) {
    Refuse(QString::fromStdString(bad));
    value->setFocus();
    return;
  }
  write_.value = number;
  CWriteCommandDlg::accept();
}

CWriteNormalizeDlg::CWriteNormalizeDlg(const clTag& tag, clMasterWrite& write,
                                       const QString& settingsPath, QWidget* parent)
    : CWriteSetpointDlg("Set Point Normalized Command", false, tag, write, settingsPath, parent) {}

CWriteScaleDlg::CWriteScaleDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                               QWidget* parent)
    : CWriteSetpointDlg("Set Point Command", true, tag, write, settingsPath, parent) {}

CWriteFloatDlg::CWriteFloatDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                               QWidget* parent)
    : CWriteSetpointDlg("Set Point Command", false, tag, write, settingsPath, parent) {}
