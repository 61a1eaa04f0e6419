#include "ui/dialogs/write_time_dlg.h"

#include <QButtonGroup>
#include <QDateEdit>
#include <QFormLayout>
#include <QRadioButton>
#include <QTimeEdit>

#include "master/master_dialogs.h"
#include "master/master_write.h"

namespace {

// The years a time tag carries: two digits of the century.
const QDate kFirstDate(2000, 1, 1);
const QDate kLastDate(2099, 12, 31);

}  // namespace

CWriteTimeDlg::CWriteTimeDlg(const clTag& tag, clMasterWrite& write, const QString& settingsPath,
                             QWidget* parent)
    : CWriteCommandDlg("Time Synchronization", "Send", tag, write, settingsPath, parent) {
  currentTime = new QRadioButton("Current Time");
  customTime = new QRadioButton("Custom Time");
  auto* choice = new QButtonGroup(this);
  choice->addButton(currentTime);
  choice->addButton(customTime);
  (write.timeMode == kCustomTime ? customTime : currentTime)->setChecked(true);

  const clDateTime& last = write.customTime;
  QDate shownDate(last.year, last.month, last.day);
  QTime shownTime(last.hour, last.minute, last.second);
  if (!shownDate.isValid() || shownDate < kFirstDate || shownDate > kLastDate)
    shownDate = QDate::currentDate();
  if (!shownTime.isValid()) shownTime = QTime::currentTime();
  date = new QDateEdit(shownDate);
  date->setDateRange(kFirstDate, kLastDate);
  date->setCalendarPopup(true);
  date->setDisplayFormat("yyyy-MM-dd");
  time = new QTimeEdit(shownTime);
  time->setDisplayFormat("hh:mm:ss");

  Fields()->addRow(currentTime);
  Fields()->addRow(customTime);
  Fields()->addRow("Date", date);
  Fields()->addRow("Time", time);
  connect(customTime, &QRadioButton::toggled, this, &CWriteTimeDlg::UpdateEnabling);
  UpdateEnabling();
}

void CWriteTimeDlg::UpdateEnabling() {
  const bool pickers = TimePickersEnabled(customTime->isChecked() ? kCustomTime : kCurrentTime);
  date->setEnabled(pickers);
  time->setEnabled(pickers);
}

void CWriteTimeDlg::accept() {
  write_.timeMode = customTime->isChecked() ? kCustomTime : kCurrentTime;
  const QDate d = date->date();
  const QTime t = time->time();
  write_.customTime = clDateTime{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), 0};
  CWriteCommandDlg::accept();
}
