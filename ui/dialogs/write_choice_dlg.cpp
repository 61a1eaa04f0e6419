#include "ui/dialogs/write_choice_dlg.h"

#include <QComboBox>
#include <QFormLayout>

#include "master/master_dialogs.h"
#include "master/master_write.h"
#include "model/tag.h"

CWriteChoiceDlg::CWriteChoiceDlg(const QString& caption, const QString& first,
                                 const QString& second, const clTag& tag, clMasterWrite& write,
                                 const QString& settingsPath, QWidget* parent)
    : CWriteCommandDlg(caption, "OK", tag, write, settingsPath, parent), value(new QComboBox) {
  value->addItems({first, second});
  value->setCurrentIndex(CommandChoiceIndex(tag.TagType(), static_cast<int32_t>(write.value)));
  Fields()->addRow("Value", value);
}

void CWriteChoiceDlg::accept() {
  const auto last = static_cast<int32_t>(write_.value);
  write_.value = CommandChoiceValue(tag_.TagType(), value->currentIndex(), last);
  CWriteCommandDlg::accept();
}

CWriteSCDlg::CWriteSCDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                         QWidget* parent)
    : CWriteChoiceDlg("Single Command", "Off", "On", tag, write, settingsPath, parent) {}

CWriteDCDlg::CWriteDCDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                         QWidget* parent)
    : CWriteChoiceDlg("Double Command", "Open", "Close", tag, write, settingsPath, parent) {}

CWriteStepDlg::CWriteStepDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                             QWidget* parent)
    : CWriteChoiceDlg("Regulating Step Command", "Lower", "Higher", tag, write, settingsPath,
                      parent) {}
