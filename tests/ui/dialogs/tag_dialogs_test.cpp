// The tag dialogs and the tag browser, opened on real tags of a workspace.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>

#include "model/tag_text.h"
#include "tests/ui/dialogs/dialog_test_helpers.h"
#include "tests/ui/ui_test_helpers.h"
#include "ui/dialogs/browse_tag_dlg.h"
#include "ui/dialogs/dialog_fields.h"
#include "ui/dialogs/master_tag_dlg.h"
#include "ui/dialogs/slave_tag_dlg.h"

namespace {

void ChooseType(QComboBox* list, int32_t type) {
  list->setCurrentIndex(list->findData(type));
  QVERIFY(list->currentIndex() >= 0);
}

}  // namespace

class TagDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { IsolateSettings(folder_); }

  void MasterTag_EnablingFollowsTheTypeAndOkStoresByTheRules();
  void SlaveTag_BrowserOffersSuitableTagsAndCancelKeepsTheTag();
  void Screenshots();

 private:
  QString Settings() const { return folder_.filePath("geometry.conf"); }
  QTemporaryDir folder_;
};

void TagDialogsTest::MasterTag_EnablingFollowsTheTypeAndOkStoresByTheRules() {
  CDialogWorkspace w;
  clTag& tag = *w.AddTag(*w.master, clTag::kMeasuredScaled, 300, "Power");
  tag.SetSelectBeforeOperate(true);
  tag.SetScalingEnabled(true);
  tag.SetRawMin(0);
  tag.SetRawMax(32767);
  tag.SetEngMax(100);
  {
    CMasterTagDlg dialog(tag, w.master->IoaSize(), Settings());
    QCOMPARE(dialog.type->currentData().toInt(), int(clTag::kMeasuredScaled));
    QCOMPARE(dialog.address->ioa->text(), QString("300"));
    QVERIFY(!dialog.sbo->isEnabled());
    QVERIFY(dialog.linear->isChecked() && dialog.rawMax->isEnabled());
    QCOMPARE(dialog.engMax->text(), QString("100"));
    QVERIFY(!dialog.factor->isEnabled());
    dialog.factorScaling->setChecked(true);
    QVERIFY(dialog.factor->isEnabled() && !dialog.rawMax->isEnabled());
    dialog.scaleEnabled->setChecked(false);
    QVERIFY(!dialog.factor->isEnabled() && !dialog.linear->isEnabled());
    ChooseType(dialog.type, clTag::kDoubleCommand);
    QVERIFY(dialog.sbo->isEnabled() && !dialog.scaleEnabled->isEnabled());
    QVERIFY(!dialog.address->high->isEnabled());
    dialog.address->structured->setChecked(true);
    QVERIFY(dialog.address->high->isEnabled() && !dialog.address->ioa->isEnabled());
    dialog.reject();
  }
  QCOMPARE(tag.TagType(), int32_t(clTag::kMeasuredScaled));  // Cancel wrote nothing
  QVERIFY(tag.ScalingEnabled() && !tag.StructuredIoa());

  {
    CMasterTagDlg dialog(tag, w.master->IoaSize(), Settings());
    dialog.rawMax->setText("0");  // an empty raw range
    QCOMPARE(AnswerMessages([&] { dialog.accept(); }).size(), 1);
    QCOMPARE(tag.RawMax(), 32767.0);
    dialog.rawMax->setText("4095");
    ChooseType(dialog.type, clTag::kMeasuredNormalized);
    dialog.sbo->setCurrentIndex(0);  // disabled: the flag stays
    QVERIFY(AnswerMessages([&] { dialog.accept(); }).isEmpty());
    QCOMPARE(tag.RawMax(), 4095.0);
    QCOMPARE(tag.TagType(), int32_t(clTag::kMeasuredNormalized));
    QVERIFY(tag.IsSelectBeforeOperate());
  }
  {
    CMasterTagDlg dialog(tag, w.master->IoaSize(), Settings());
    ChooseType(dialog.type, clTag::kSingleCommand);
    dialog.sbo->setCurrentIndex(0);
    dialog.address->structured->setChecked(true);
    dialog.address->high->setText("1");  // 1/2/3 needs three octets; the device has two
    dialog.address->middle->setText("2");
    dialog.address->low->setText("3");
    QCOMPARE(AnswerMessages([&] { dialog.accept(); }).size(), 1);
    dialog.address->high->setText("0");
    dialog.accept();
    QCOMPARE(tag.Ioa(), 0x0203);
    QVERIFY(tag.StructuredIoa() && !tag.IsSelectBeforeOperate());
  }
  {
    CMasterTagDlg dialog(tag, w.master->IoaSize(), Settings());
    ChooseType(dialog.type, clTag::kInterrogation);
    dialog.address->structured->setChecked(false);
    dialog.address->ioa->setText("12");
    dialog.name->setText("GI");
    dialog.accept();
    QCOMPARE(tag.Ioa(), 0);
    QCOMPARE(tag.Name(), std::string("GI"));
  }
}

void TagDialogsTest::SlaveTag_BrowserOffersSuitableTagsAndCancelKeepsTheTag() {
  CDialogWorkspace w;
  clTag& breaker = *w.AddTag(*w.slave, clTag::kDoublePoint, 1, "Breaker");
  clTag& alarm = *w.AddTag(*w.slave, clTag::kSinglePoint, 2, "Alarm");
  w.AddTag(*w.slave, clTag::kStepPosition, 3, "Tap");
  w.AddTag(*w.slave, clTag::kMeasuredScaled, 4, "Power");
  clTag& command = *w.AddTag(*w.slave, clTag::kDoubleCommand, 20, "Close");
  command.SetLinkEnabled(true);
  command.SetLinkTarget(breaker.Id());
  command.SetQuality(clTag::kQualityUncertain);

  const auto offered = [](CBrowseTagDlg& browser) {
    QStringList names;
    for (int i = 0; i < browser.tags->topLevelItemCount(); ++i)
      names.append(browser.tags->topLevelItem(i)->text(0));
    return names;
  };
  {
    CSlaveTagDlg dialog(command, *w.slave, Settings());
    QCOMPARE(dialog.linkText->text(), QString("Sector1.Breaker"));
    QVERIFY(dialog.linkEnabled->isChecked());
    // The browser lists what the type chosen in the dialog may change, with
    // the present link selected; its OK only changes the dialog.
    ChooseType(dialog.type, clTag::kRegulatingStep);
    QVERIFY(AnswerDialog<CBrowseTagDlg>([&] { dialog.browse->click(); },
                                        [&](CBrowseTagDlg& browser) {
                                          QCOMPARE(offered(browser), QStringList{"Tap"});
                                          browser.reject();
                                        }));
    ChooseType(dialog.type, clTag::kSingleCommand);
    QVERIFY(
        AnswerDialog<CBrowseTagDlg>([&] { dialog.browse->click(); },
                                    [&](CBrowseTagDlg& browser) {
                                      QCOMPARE(offered(browser), (QStringList{"Alarm", "Breaker"}));
                                      QCOMPARE(browser.Chosen(), &breaker);
                                      browser.tags->setCurrentItem(browser.tags->topLevelItem(0));
                                      browser.accept();
                                    }));
    QCOMPARE(dialog.linkText->text(), QString("Sector1.Alarm"));
    dialog.quality[0]->setChecked(true);
    dialog.reject();
  }
  QCOMPARE(command.TagType(), int32_t(clTag::kDoubleCommand));  // Cancel kept it all
  QCOMPARE(command.LinkTarget(), breaker.Id());
  QCOMPARE(command.Quality(), int32_t(clTag::kQualityUncertain));

  CSlaveTagDlg dialog(command, *w.slave, Settings());
  dialog.SetLinkTarget(alarm.Id());
  dialog.linkEnabled->setChecked(false);
  dialog.quality[0]->setChecked(true);    // "Overflow"
  dialog.quality[4]->setChecked(true);    // "Invalid"
  dialog.address->ioa->setText("70000");  // more than two octets hold
  QCOMPARE(AnswerMessages([&] { dialog.accept(); }).size(), 1);
  dialog.address->ioa->setText("21");
  dialog.accept();
  QCOMPARE(command.LinkTarget(), alarm.Id());
  QVERIFY(!command.LinkEnabled());
  QCOMPARE(command.Ioa(), 21);
  QCOMPARE(command.Quality(),
           int32_t(clTag::kQualityUncertain | clTag::kQualityOverflow | clTag::kQualityInvalid));
}

// Pictures of the dialogs, when asked for: TELVANE_SCREENSHOTS=<folder>.
void TagDialogsTest::Screenshots() {
  const QString out = qEnvironmentVariable("TELVANE_SCREENSHOTS");
  if (out.isEmpty()) QSKIP("TELVANE_SCREENSHOTS names no folder");
  CDialogWorkspace w;
  clTag& power = *w.AddTag(*w.master, clTag::kMeasuredScaled, 300, "Power");
  power.SetScalingEnabled(true);
  CMasterTagDlg master(power, 2, QString());
  master.show();
  QVERIFY(master.grab().save(out + "/master_tag.png"));
  clTag& breaker = *w.AddTag(*w.slave, clTag::kDoublePoint, 1, "Breaker");
  w.AddTag(*w.slave, clTag::kSinglePoint, 2, "Alarm");
  clTag& command = *w.AddTag(*w.slave, clTag::kDoubleCommand, 20, "Close");
  command.SetLinkEnabled(true);
  command.SetLinkTarget(breaker.Id());
  CSlaveTagDlg slave(command, *w.slave, QString());
  slave.show();
  QVERIFY(slave.grab().save(out + "/slave_tag.png"));
  CBrowseTagDlg browser(*w.slave, clTag::kDoubleCommand, breaker.Id(), QString());
  browser.show();
  QVERIFY(browser.grab().save(out + "/browse_tag.png"));
}

QTEST_MAIN(TagDialogsTest)
#include "tag_dialogs_test.moc"
