// The master's command dialogs, and the Write command from the window down to
// a slave on a virtual line and back.
#include <QComboBox>
#include <QDateEdit>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <QtTest>
#include <functional>

#include "tests/ui/dialogs/dialog_test_helpers.h"
#include "tests/ui/ui_test_helpers.h"
#include "ui/dialogs/dialog_fields.h"
#include "ui/dialogs/dialogs.h"
#include "ui/dialogs/write_choice_dlg.h"
#include "ui/dialogs/write_setpoint_dlg.h"
#include "ui/dialogs/write_time_dlg.h"

namespace {

// The user of the desktop, with the real dialogs.
class CDialogUser : public CScriptedUser {
 public:
  bool OpenDialog(CDialogRequest& request) override {
    dialogs.append(request.dialog);
    return RunDialog(nullptr, request);
  }
};

bool WaitUntil(const std::function<bool()>& condition, int ms = 30000) {
  QDeadlineTimer deadline(ms);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QTest::qWait(20);
  }
  return true;
}

clTag* TagOfType(clDevice& device, int32_t type) {
  for (clSector* sector : *device.Sectors()->Items())
    for (clTag* tag : *sector->Tags().Items())
      if (tag->TagType() == type) return tag;
  return nullptr;
}

}  // namespace

class WriteDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { IsolateSettings(folder_); }

  void Choice_ShowsTheLastValueAndHandsOnTheChoice();
  void Setpoint_RefusesWhatTheCommandCannotCarry();
  void Time_PickersFollowTheChoiceAndCustomTimeHasWholeSeconds();
  void Write_FromTheDialogToTheSlaveAndBackToTheMaster();
  void Screenshots();

 private:
  QString Settings() const { return folder_.filePath("geometry.conf"); }
  QTemporaryDir folder_;
};

void WriteDialogsTest::Choice_ShowsTheLastValueAndHandsOnTheChoice() {
  CDialogWorkspace w;
  clTag& dc = *w.AddTag(*w.master, clTag::kDoubleCommand, 1, "Breaker");
  clTag& sc = *w.AddTag(*w.master, clTag::kSingleCommand, 2, "Lamp");
  clTag& step = *w.AddTag(*w.master, clTag::kRegulatingStep, 3, "Tap");
  clMasterWrite write;
  write.value = 2;
  {
    CWriteDCDlg dialog(dc, write, Settings());
    QCOMPARE(dialog.value->currentIndex(), 1);  // Close
    QCOMPARE(dialog.name->text(), QString("Breaker"));
    QVERIFY(dialog.name->isReadOnly());
    dialog.value->setCurrentIndex(0);  // Open
    dialog.reject();
    QCOMPARE(write.value, 2.0);
    CWriteDCDlg again(dc, write, Settings());
    again.value->setCurrentIndex(0);
    again.accept();
    QCOMPARE(write.value, 1.0);
  }
  write.value = 1;
  CWriteSCDlg single(sc, write, Settings());
  QCOMPARE(single.value->currentIndex(), 1);  // On
  write.value = 3;
  CWriteStepDlg lower(step, write, Settings());
  QCOMPARE(lower.value->currentIndex(), -1);
  lower.accept();  // no selection: the value stays
  QCOMPARE(write.value, 3.0);
}

void WriteDialogsTest::Setpoint_RefusesWhatTheCommandCannotCarry() {
  CDialogWorkspace w;
  clTag& normalized = *w.AddTag(*w.master, clTag::kSetpointNormalized, 1, "Voltage");
  clTag& scaled = *w.AddTag(*w.master, clTag::kSetpointScaled, 2, "Power");
  clMasterWrite write;
  write.value = 0.25;
  CWriteNormalizeDlg dialog(normalized, write, Settings());
  QCOMPARE(dialog.value->text(), QString("0.25"));
  dialog.value->clear();
  QTest::keyClicks(dialog.value, "x1.5");  // the letter never gets in
  QCOMPARE(dialog.value->text(), QString("1.5"));
  QStringList told = AnswerMessages([&] { dialog.accept(); });
  QCOMPARE(told.size(), 1);
  QVERIFY(told[0].contains("1.5"));
  QCOMPARE(write.value, 0.25);
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  dialog.value->setText("-0.5");
  QVERIFY(AnswerMessages([&] { dialog.accept(); }).isEmpty());
  QCOMPARE(write.value, -0.5);

  CWriteScaleDlg whole(scaled, write, Settings());
  whole.value->setText("40000");
  QCOMPARE(AnswerMessages([&] { whole.accept(); }).size(), 1);
  whole.value->clear();
  QCOMPARE(AnswerMessages([&] { whole.accept(); }).size(), 1);
  whole.value->setText("-32768");
  whole.accept();
  QCOMPARE(write.value, -32768.0);
}

void WriteDialogsTest::Time_PickersFollowTheChoiceAndCustomTimeHasWholeSeconds() {
  CDialogWorkspace w;
  clTag& clock = *w.AddTag(*w.master, clTag::kClockSync, 0, "Clock");
  clMasterWrite write;
  write.timeMode = 2;
  write.customTime = {2031, 5, 17, 8, 9, 10, 876};
  CWriteTimeDlg dialog(clock, write, Settings());
  QVERIFY(dialog.customTime->isChecked());
  QCOMPARE(dialog.date->date(), QDate(2031, 5, 17));
  QCOMPARE(dialog.time->time(), QTime(8, 9, 10));
  QVERIFY(dialog.date->isEnabled() && dialog.time->isEnabled());
  dialog.currentTime->setChecked(true);
  QVERIFY(!dialog.date->isEnabled() && !dialog.time->isEnabled());
  dialog.customTime->setChecked(true);
  dialog.time->setTime(QTime(23, 59, 58));
  dialog.accept();
  QCOMPARE(write.timeMode, 2);
  QVERIFY((write.customTime == clDateTime{2031, 5, 17, 23, 59, 58, 0}));

  // A remembered date a time tag cannot carry opens on today.
  write.customTime.year = 1999;
  CWriteTimeDlg today(clock, write, Settings());
  QCOMPARE(today.date->date(), QDate::currentDate());
}

void WriteDialogsTest::Write_FromTheDialogToTheSlaveAndBackToTheMaster() {
  QTemporaryDir folder;
  COptions options(folder.filePath("Telvane.conf"));
  CDialogUser user;
  CDoc doc(user, options);
  doc.OpenDemo();
  clDevice* master = doc.Workspace().Masters().Items()->front();
  clDevice* slave = doc.Workspace().Slaves().Items()->front();
  for (clDevice* device : {master, slave}) {
    doc.SelectDevice(device);
    doc.Run(CCommand::kStart);
  }
  QVERIFY2(user.told.isEmpty(), qPrintable(user.told.join("; ")));
  clTag* masterPoint = TagOfType(*master, clTag::kDoublePoint);
  clTag* slavePoint = TagOfType(*slave, clTag::kDoublePoint);
  clTag* slaveCommand = TagOfType(*slave, clTag::kDoubleCommand);
  clTag* masterCommand = TagOfType(*master, clTag::kDoubleCommand);
  QVERIFY(masterPoint && slavePoint && slaveCommand && masterCommand);
  // The general interrogation brings the slave's Close (2) to the master.
  QVERIFY(WaitUntil([&] { return masterPoint->IsGood() && masterPoint->Value() == 2; }));

  doc.SelectSector(master->Sectors()->First());
  doc.SelectTag(masterCommand);
  QVERIFY(AnswerDialog<CWriteDCDlg>([&] { doc.Run(CCommand::kWrite); },
                                    [](CWriteDCDlg& dialog) {
                                      dialog.value->setCurrentIndex(0);  // Open
                                      dialog.accept();
                                    }));
  QVERIFY2(user.told.isEmpty(), qPrintable(user.told.join("; ")));
  QCOMPARE(doc.WriteMemory().doubleCommand, 1);
  QVERIFY(WaitUntil([&] { return slaveCommand->Value() == 1 && slavePoint->Value() == 1; }));
  QVERIFY(WaitUntil([&] { return masterPoint->Value() == 1; }));
  QCOMPARE(masterCommand->Value(), 1.0);

  // Cancel sends nothing (the tag would take the value and the time of
  // sending) and keeps the remembered value.
  const clTimeStamp sent = masterCommand->TimeStamp();
  QVERIFY(AnswerDialog<CWriteDCDlg>([&] { doc.Run(CCommand::kWrite); },
                                    [](CWriteDCDlg& dialog) {
                                      QCOMPARE(dialog.value->currentIndex(), 0);
                                      dialog.value->setCurrentIndex(1);
                                      dialog.reject();
                                    }));
  QCOMPARE(doc.WriteMemory().doubleCommand, 1);
  QCOMPARE(masterCommand->Value(), 1.0);
  QVERIFY(masterCommand->TimeStamp() == sent);
  doc.Run(CCommand::kStopAll);
}

// Pictures of the dialogs, when asked for: TELVANE_SCREENSHOTS=<folder>.
void WriteDialogsTest::Screenshots() {
  const QString out = qEnvironmentVariable("TELVANE_SCREENSHOTS");
  if (out.isEmpty()) QSKIP("TELVANE_SCREENSHOTS names no folder");
  CDialogWorkspace w;
  clMasterWrite write;
  write.value = 2;
  CWriteDCDlg dc(*w.AddTag(*w.master, clTag::kDoubleCommand, 1, "Breaker"), write, QString());
  dc.show();
  QVERIFY(dc.grab().save(out + "/write_double.png"));
  CWriteFloatDlg sp(*w.AddTag(*w.master, clTag::kSetpointFloat, 2, "Setpoint"), write, QString());
  sp.show();
  QVERIFY(sp.grab().save(out + "/write_float.png"));
  CWriteTimeDlg time(*w.AddTag(*w.master, clTag::kClockSync, 0, "Clock"), write, QString());
  time.show();
  QVERIFY(time.grab().save(out + "/write_time.png"));
}

QTEST_MAIN(WriteDialogsTest)
#include "write_dialogs_test.moc"
