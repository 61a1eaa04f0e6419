// The document's commands without a screen: what each refuses, asks and
// announces, driven through a scripted user.
#include <QFile>
#include <QtTest>

#include "app/device_runners.h"
#include "model/workspace_file.h"
#include "runtime/port_settings.h"
#include "tests/ui/ui_test_helpers.h"
#include "ui/startup/startup.h"

namespace {

// A port name that resolves to no device, so that opening it fails.
constexpr const char* kDeadPort = "NOWHERE";

bool WaitUntil(const std::function<bool()>& condition, int ms = 20000) {
  QDeadlineTimer deadline(ms);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QTest::qWait(10);
  }
  return true;
}

}  // namespace

class DocTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { IsolateSettings(settingsFolder_); }

  void NewDevice_CancelStepsTheNameCounterBack();
  void NewDevice_AnnouncesTheDeviceThenSelectsIt();
  void SectorAndTag_AddedWithTheirHintsAndCancelledTagStepsBack();
  void EditAdd_ActsOnRootThenDeviceThenSector();
  void RunningDevice_RefusesEveryStructuralCommand();
  void Delete_AsksAndOnlyYesDeletesWithTheHintSentWhileAlive();
  void Start_MonitorWhoseSecondPortFailsNamesThatPort();
  void StartAll_SkipsDevicesThatCannotStartSilently();
  void Stop_MarksMasterTagsUncertain();
  void Close_RefusedWhileMasterOrSlaveRunsAskedWhileOnlyMonitorsRun();
  void Refresh_SendsTheHintOfTheSelection();
  void Write_RefusesAndRemembersTheValue();
  void Properties_RenameSendsItsHint();
  void File_SaveOpenAndRefusedFileLeavesTheWorkspace();
  void File_ModifiedWorkspaceAsksBeforeItIsReplaced();
  void Startup_CommandLineFileWinsOverAutoOpen();
  void Startup_WritesMissingDefaultsAndAutoOpensTheRecentFile();
  void Options_RecentFilesKeepFourAndThePortsMapSurvives();

 private:
  QTemporaryDir settingsFolder_;
};

void DocTest::NewDevice_CancelStepsTheNameCounterBack() {
  CDocFixture f;
  f.doc->SelectRoot(clDevice::kMaster);
  f.user.dialogResult = false;
  f.doc->Run(CCommand::kNewDevice);
  QCOMPARE(f.doc->Workspace().Masters().Count(), size_t{0});
  QCOMPARE(f.user.dialogs, QList<CDialog>{CDialog::kMasterDevice});
  f.user.dialogResult = true;
  f.doc->Run(CCommand::kNewDevice);
  QCOMPARE(f.doc->Workspace().Masters().Count(), size_t{1});
  QCOMPARE(f.doc->Workspace().Masters().Items()->front()->Name(), std::string("Master1"));
}

void DocTest::NewDevice_AnnouncesTheDeviceThenSelectsIt() {
  const struct {
    int kind;
    int added;
    int selected;
    CSelection selection;
  } cases[] = {
      {clDevice::kMaster, kHintMasterAdded, kHintMasterSelected, CSelection::kMasterDevice},
      {clDevice::kSlave, kHintSlaveAdded, kHintSlaveSelected, CSelection::kSlaveDevice},
      {clDevice::kMonitor, kHintMonitorAdded, kHintMonitorSelected, CSelection::kMonitorDevice},
  };
  for (const auto& c : cases) {
    CDocFixture f;
    f.doc->SelectRoot(c.kind);
    f.TakeHints();
    f.doc->Run(CCommand::kNewDevice);
    QCOMPARE(f.TakeHints(), (QList<int>{c.added, c.selected}));
    QCOMPARE(f.doc->Selection(), c.selection);
    QVERIFY(f.doc->SelectedDevice() != nullptr);
    QVERIFY(f.doc->IsModified());
  }
}

void DocTest::SectorAndTag_AddedWithTheirHintsAndCancelledTagStepsBack() {
  CDocFixture f;
  f.doc->SelectRoot(clDevice::kSlave);
  f.doc->Run(CCommand::kNewDevice);
  clDevice* slave = f.doc->SelectedDevice();
  f.TakeHints();
  f.doc->Run(CCommand::kAddSector);
  QCOMPARE(f.TakeHints(), (QList<int>{kHintSlaveSectorAdded, kHintSlaveSectorSelected}));
  clSector* sector = f.doc->SelectedSector();
  QVERIFY(sector && sector->Owner() == slave);
  QCOMPARE(sector->Name(), std::string("Sector1"));

  f.user.dialogResult = false;
  f.doc->Run(CCommand::kNewTag);
  QCOMPARE(sector->Tags().Count(), size_t{0});
  f.user.dialogResult = true;
  f.user.onDialog = [](CDialogRequest& r) {
    QCOMPARE(r.dialog, CDialog::kSlaveTag);
    r.tag->SetType(clTag::kDoublePoint);
  };
  f.doc->Run(CCommand::kNewTag);
  QCOMPARE(f.TakeHints(), QList<int>{kHintSlaveTagAdded});
  QCOMPARE(f.hints.size(), 0);
  clTag* tag = sector->Tags().Items()->front();
  QCOMPARE(tag->Name(), std::string("Tag1"));  // the cancelled one gave its number back
  QCOMPARE(tag->Value(), 1.0);                 // a slave double point starts Open
  // The next tag of the side takes the type chosen last.
  f.user.onDialog = [](CDialogRequest& r) { QCOMPARE(r.tag->TagType(), clTag::kDoublePoint); };
  f.doc->Run(CCommand::kNewTag);
  QCOMPARE(sector->Tags().Count(), size_t{2});
}

void DocTest::EditAdd_ActsOnRootThenDeviceThenSector() {
  CDocFixture f;
  QVERIFY(!f.doc->IsEnabled(CCommand::kEditAdd));
  f.doc->SelectRoot(clDevice::kMaster);
  f.doc->Run(CCommand::kEditAdd);
  QCOMPARE(f.user.dialogs.last(), CDialog::kMasterDevice);
  f.doc->Run(CCommand::kEditAdd);  // the new device is selected now
  QCOMPARE(f.user.dialogs.last(), CDialog::kSector);
  f.doc->Run(CCommand::kEditAdd);  // and then its new sector
  QCOMPARE(f.user.dialogs.last(), CDialog::kMasterTag);
  f.doc->SelectDevice(f.AddMonitor("COM1", "COM2"));
  QVERIFY(!f.doc->IsEnabled(CCommand::kEditAdd));
}

void DocTest::RunningDevice_RefusesEveryStructuralCommand() {
  CDocFixture f;
  f.AddPort("VLINE11-A");
  clDevice* master = f.AddDevice(clDevice::kMaster, "VLINE11-A", "M");
  clSector* sector = master->Sectors()->First();
  f.doc->SelectDevice(master);
  f.doc->Run(CCommand::kStart);
  QVERIFY(master->IsRunning());
  QVERIFY(!f.doc->IsEnabled(CCommand::kStart));
  QVERIFY(f.doc->IsEnabled(CCommand::kStop));

  const struct {
    bool onSector;
    CCommand command;
    const char* refusal;
  } cases[] = {
      {false, CCommand::kAddSector, kSectorRefused},
      {false, CCommand::kDeleteDevice, kDeleteDeviceRefused},
      {false, CCommand::kImport, kImportRefused},
      {true, CCommand::kNewTag, kTagRefused},
      {true, CCommand::kDeleteSector, kDeleteSectorRefused},
      {true, CCommand::kSectorProperties, kSectorPropertiesRefused},
      {true, CCommand::kTagProperties, kTagPropertiesRefused},
  };
  for (const auto& c : cases) {
    if (c.onSector) {
      f.doc->SelectSector(sector);
      f.doc->SelectTag(sector->Tags().Items()->front());
    } else {
      f.doc->SelectDevice(master);
    }
    f.user.told.clear();
    f.user.dialogs.clear();
    f.doc->Run(c.command);
    QCOMPARE(f.user.told, QStringList{c.refusal});
    QVERIFY(f.user.dialogs.isEmpty());
    QVERIFY(f.user.asked.isEmpty());
  }
  QCOMPARE(master->Sectors()->Count(), size_t{1});
  QCOMPARE(sector->Tags().Count(), size_t{1});
  QVERIFY(!f.doc->IsModified());
  // Properties of the running device opens its dialog in the running mode.
  f.doc->SelectDevice(master);
  f.doc->Run(CCommand::kDeviceProperties);
  QCOMPARE(f.user.dialogs, QList<CDialog>{CDialog::kMasterDevice});
  f.doc->Run(CCommand::kStop);
  QVERIFY(!master->IsRunning());
}

void DocTest::Delete_AsksAndOnlyYesDeletesWithTheHintSentWhileAlive() {
  const struct {
    int kind;
    const char* question;
  } devices[] = {{clDevice::kMaster, "Delete Master Device ?"},
                 {clDevice::kSlave, "Delete Slave Device ?"},
                 {clDevice::kMonitor, "Delete Monitor Device ?"}};
  for (const auto& c : devices) {
    CDocFixture f;
    clDevice* device = c.kind == clDevice::kMonitor ? f.AddMonitor("COM1", "COM2")
                                                    : f.AddDevice(c.kind, "COM1", "D");
    f.doc->SelectDevice(device);
    f.user.answers = {CAnswer::kNo};
    f.doc->Run(CCommand::kDeleteDevice);
    QCOMPARE(f.user.asked, QStringList{c.question});
    QCOMPARE(f.doc->SelectedDevice(), device);
    std::string nameDuringHint;
    QObject::connect(f.doc.get(), &CDoc::Updated, [&](int hint, const CHintObject& o) {
      if (hint == kHintDeleted) nameDuringHint = o.device->Name();
    });
    f.TakeHints();
    f.doc->Run(CCommand::kDeleteDevice);  // Yes
    QCOMPARE(f.TakeHints(), QList<int>{kHintDeleted});
    QCOMPARE(nameDuringHint, std::string(c.kind == clDevice::kMonitor ? "Monitor1" : "D"));
    QCOMPARE(f.doc->SelectedDevice(), nullptr);
    QCOMPARE(f.doc->Workspace().Masters().Count() + f.doc->Workspace().Slaves().Count() +
                 f.doc->Workspace().Monitors().Count(),
             size_t{0});
  }
  CDocFixture f;
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM1", "S");
  f.doc->SelectSector(slave->Sectors()->First());
  f.user.answers = {CAnswer::kNo, CAnswer::kYes};
  f.doc->Run(CCommand::kDeleteSector);
  QCOMPARE(slave->Sectors()->Count(), size_t{1});
  f.doc->Run(CCommand::kDeleteSector);
  QCOMPARE(f.user.asked, (QStringList{"Delete Sector ?", "Delete Sector ?"}));
  QCOMPARE(slave->Sectors()->Count(), size_t{0});
  QCOMPARE(f.hints.last().hint, int(kHintDeleted));
  QCOMPARE(f.hints.last().object.device, slave);
}

void DocTest::Start_MonitorWhoseSecondPortFailsNamesThatPort() {
  CDocFixture f;
  f.AddPort("VLINE12-A-TAP");
  f.AddPort(kDeadPort);
  clIEC101CaptureDevice* monitor = f.AddMonitor("VLINE12-A-TAP", kDeadPort);
  f.doc->SelectDevice(monitor);
  f.doc->Run(CCommand::kStart);
  QCOMPARE(f.user.told, QStringList{QString("Fail to open port '%1'").arg(kDeadPort)});
  QVERIFY(!monitor->IsRunning());
  // The first port was closed again: another start fails the same way.
  f.doc->Run(CCommand::kStart);
  QCOMPARE(f.user.told.size(), 2);
  QCOMPARE(f.user.told.last(), f.user.told.first());
}

void DocTest::StartAll_SkipsDevicesThatCannotStartSilently() {
  CDocFixture f;
  f.AddPort("VLINE13-A");
  f.AddPort("VLINE13-B");
  f.AddPort("VLINE13-A-TAP");
  f.AddPort(kDeadPort);
  clDevice* master = f.AddDevice(clDevice::kMaster, "VLINE13-A", "M");
  clDevice* slave = f.AddDevice(clDevice::kSlave, "VLINE13-B", "S");
  clDevice* deadSlave = f.AddDevice(clDevice::kSlave, kDeadPort, "T");
  clIEC101CaptureDevice* monitor = f.AddMonitor("VLINE13-A-TAP", kDeadPort);
  f.doc->Run(CCommand::kStartAll);
  QVERIFY(f.user.told.isEmpty());
  QVERIFY(master->IsRunning());
  QVERIFY(slave->IsRunning());
  QVERIFY(!deadSlave->IsRunning());
  QVERIFY(!monitor->IsRunning());
  f.doc->Run(CCommand::kStopAll);
  QVERIFY(!master->IsRunning() && !slave->IsRunning());
}

void DocTest::Stop_MarksMasterTagsUncertain() {
  CDocFixture f;
  f.AddPort("VLINE14-A");
  f.AddPort("VLINE14-B");
  clDevice* master = f.AddDevice(clDevice::kMaster, "VLINE14-A", "M");
  clDevice* slave = f.AddDevice(clDevice::kSlave, "VLINE14-B", "S");
  clTag* slaveTag = slave->Sectors()->First()->Tags().Items()->front();
  slaveTag->SetRawValue(1);
  slaveTag->SetQuality(0);
  clTag* masterTag = master->Sectors()->First()->Tags().Items()->front();
  f.doc->Run(CCommand::kStartAll);
  // The interrogation at link start-up brings the slave's value in good.
  QVERIFY(WaitUntil([&] { return masterTag->Quality() == 0 && masterTag->Value() == 1; }));
  f.doc->SelectDevice(master);
  f.doc->Run(CCommand::kStop);
  QCOMPARE(masterTag->Quality(), clTag::kQualityUncertain);
  f.doc->Run(CCommand::kStopAll);
  QCOMPARE(slaveTag->Quality(), 0);  // a slave's own values keep their quality
}

void DocTest::Close_RefusedWhileMasterOrSlaveRunsAskedWhileOnlyMonitorsRun() {
  for (int kind : {clDevice::kMaster, clDevice::kSlave}) {
    CDocFixture f;
    f.AddPort("VLINE15-A");
    clDevice* device = f.AddDevice(kind, "VLINE15-A", "D");
    f.doc->SelectDevice(device);
    f.doc->Run(CCommand::kStart);
    QVERIFY(!f.doc->CanClose(true));
    QVERIFY(!f.doc->CanClose(false));
    QCOMPARE(f.user.told, (QStringList{kDevicesStillRunning, kDevicesStillRunning}));
    QVERIFY(f.user.asked.isEmpty());
  }
  CDocFixture f;
  f.AddPort("VLINE16-A-TAP");
  f.AddPort("VLINE16-B-TAP");
  clIEC101CaptureDevice* monitor = f.AddMonitor("VLINE16-A-TAP", "VLINE16-B-TAP");
  f.doc->SelectDevice(monitor);
  f.doc->Run(CCommand::kStart);
  QVERIFY(monitor->IsRunning());
  f.user.answers = {CAnswer::kNo, CAnswer::kYes};
  QVERIFY(!f.doc->CanClose(true));
  QVERIFY(f.doc->CanClose(false));
  QCOMPARE(f.user.asked, (QStringList{kShutdownExit, kShutdownClose}));
  QVERIFY(f.user.told.isEmpty());
}

void DocTest::Refresh_SendsTheHintOfTheSelection() {
  CDocFixture f;
  clDevice* master = f.AddDevice(clDevice::kMaster, "COM1", "M");
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM1", "S");
  clIEC101CaptureDevice* monitor = f.AddMonitor("COM1", "COM2");
  const struct {
    std::function<void()> select;
    QList<int> hints;
  } cases[] = {
      {[&] { f.doc->SelectSector(master->Sectors()->First()); }, {kHintMasterSectorRefresh}},
      {[&] { f.doc->SelectSector(slave->Sectors()->First()); }, {kHintSlaveSectorRefresh}},
      {[&] { f.doc->SelectRoot(clDevice::kMaster); }, {kHintMasterRootRefresh}},
      {[&] { f.doc->SelectRoot(clDevice::kSlave); }, {kHintSlaveRootRefresh}},
      {[&] { f.doc->SelectDevice(monitor); }, {kHintMonitorRefresh}},
      {[&] { f.doc->SelectRoot(clDevice::kMonitor); }, {}},
      {[&] { f.doc->SelectDevice(master); }, {}},
  };
  for (const auto& c : cases) {
    c.select();
    f.TakeHints();
    f.doc->Refresh();
    QCOMPARE(f.TakeHints(), c.hints);
  }
  // The sector hint carries the sector and its device.
  f.doc->SelectSector(slave->Sectors()->First());
  f.doc->Refresh();
  QCOMPARE(f.hints.last().object.sector, slave->Sectors()->First());
  QCOMPARE(f.hints.last().object.device, slave);
}

void DocTest::Write_RefusesAndRemembersTheValue() {
  CDocFixture f;
  clDevice* master = f.AddDevice(clDevice::kMaster, "COM1", "M");
  clSector* sector = master->Sectors()->First();
  clTag* tag = sector->Tags().Items()->front();
  f.doc->SelectSector(sector);
  f.doc->SelectTag(tag);
  QVERIFY(f.doc->IsEnabled(CCommand::kWrite));

  tag->SetType(clTag::kSinglePoint);
  f.doc->Run(CCommand::kWrite);
  QCOMPARE(f.user.told.last(), QString(kWriteNotImplemented));
  QVERIFY(f.user.dialogs.isEmpty());

  tag->SetType(clTag::kDoubleCommand);
  sector->SetActive(false);
  f.doc->Run(CCommand::kWrite);
  QCOMPARE(f.user.told.last(), QString(kWriteSectorDisabled));
  sector->SetActive(true);

  // The dialog opens with the value sent last, and the entered one is kept even
  // though the stopped master sends nothing.
  f.user.onDialog = [](CDialogRequest& r) {
    QCOMPARE(r.dialog, CDialog::kWriteDoubleCommand);
    QCOMPARE(r.write->value, 1.0);
    r.write->value = 2;
  };
  f.doc->Run(CCommand::kWrite);
  QCOMPARE(f.user.told.last(), QString(kWriteDeviceNotRunning));
  QCOMPARE(f.doc->WriteMemory().doubleCommand, 2);
  f.user.onDialog = [](CDialogRequest& r) { QCOMPARE(r.write->value, 2.0); };
  f.doc->Run(CCommand::kWrite);

  tag->SetType(clTag::kSetpointNormalized);
  f.user.onDialog = nullptr;
  f.doc->Run(CCommand::kWrite);
  QCOMPARE(f.user.told.last(), QString(kWriteDeviceNotConnected));
  f.user.dialogResult = false;
  const int told = f.user.told.size();
  f.doc->Run(CCommand::kWrite);
  QCOMPARE(f.user.told.size(), told);  // cancelled: nothing said, nothing sent

  // Not offered on a slave tag.
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM1", "S");
  f.doc->SelectSector(slave->Sectors()->First());
  f.doc->SelectTag(slave->Sectors()->First()->Tags().Items()->front());
  QVERIFY(!f.doc->IsEnabled(CCommand::kWrite));
}

void DocTest::Properties_RenameSendsItsHint() {
  CDocFixture f;
  clDevice* master = f.AddDevice(clDevice::kMaster, "COM1", "M");
  clIEC101CaptureDevice* monitor = f.AddMonitor("COM1", "COM2");
  f.doc->SelectDevice(master);
  f.TakeHints();
  f.doc->Run(CCommand::kDeviceProperties);  // OK, name unchanged
  QCOMPARE(f.TakeHints(), QList<int>{});
  QVERIFY(f.doc->IsModified());
  f.user.onDialog = [](CDialogRequest& r) { r.device->SetName("Renamed"); };
  f.doc->Run(CCommand::kDeviceProperties);
  QCOMPARE(f.TakeHints(), QList<int>{kHintMasterRenamed});
  f.doc->SelectDevice(monitor);
  f.TakeHints();
  f.doc->Run(CCommand::kDeviceProperties);
  QCOMPARE(f.TakeHints(), QList<int>{kHintMonitorRenamed});

  f.doc->SelectSector(master->Sectors()->First());
  f.TakeHints();
  f.user.onDialog = [](CDialogRequest& r) { r.sector->SetName("Bay 1"); };
  f.doc->Run(CCommand::kSectorProperties);
  QCOMPARE(f.TakeHints(), QList<int>{kHintMasterSectorRenamed});
  f.doc->SelectTag(master->Sectors()->First()->Tags().Items()->front());
  f.user.onDialog = nullptr;
  f.doc->Run(CCommand::kTagProperties);
  QCOMPARE(f.TakeHints(), QList<int>{kHintMasterSectorSelected});
  QCOMPARE(f.user.dialogs.last(), CDialog::kMasterTag);
}

void DocTest::File_SaveOpenAndRefusedFileLeavesTheWorkspace() {
  CDocFixture f;
  f.AddDevice(clDevice::kMaster, "COM1", "M");
  f.doc->SetModified();
  f.user.chosenFile = f.FilePath("saved");  // the extension is added
  QVERIFY(f.doc->Save());
  QCOMPARE(f.doc->PathName(), f.FilePath("saved.cf1"));
  QCOMPARE(f.doc->DisplayName(), QString("saved.cf1"));
  QVERIFY(!f.doc->IsModified());
  QCOMPARE(f.options.RecentFiles(), QStringList{f.FilePath("saved.cf1")});

  QFile garbage(f.FilePath("garbage.cf1"));
  QVERIFY(garbage.open(QIODevice::WriteOnly));
  garbage.write("\x01\x00\x00\x00 not a workspace");
  garbage.close();
  f.TakeHints();
  QVERIFY(!f.doc->OpenFile(garbage.fileName()));
  QCOMPARE(f.user.told, QStringList{kUnexpectedFileFormat});
  QCOMPARE(f.doc->Workspace().Masters().Count(), size_t{1});
  QCOMPARE(f.doc->PathName(), f.FilePath("saved.cf1"));
  QVERIFY(f.TakeHints().isEmpty());

  f.doc->Run(CCommand::kNew);
  QCOMPARE(f.TakeHints(), (QList<int>{kHintClosing, kHintLoaded}));
  QCOMPARE(f.doc->Workspace().Masters().Count(), size_t{0});
  QCOMPARE(f.doc->DisplayName(), QString("Untitled"));
  f.user.chosenFile = f.FilePath("saved.cf1");
  f.doc->Run(CCommand::kOpen);
  QCOMPARE(f.doc->Workspace().Masters().Items()->front()->Name(), std::string("M"));

  // A recent file that is gone is told and dropped from the list.
  QVERIFY(QFile::remove(f.FilePath("saved.cf1")));
  QVERIFY(!f.doc->OpenRecent(f.FilePath("saved.cf1")));
  QCOMPARE(f.user.told.last(), QString(kFailedToOpenDocument));
  QVERIFY(f.options.RecentFiles().isEmpty());

  // A failed save says so and keeps the document's name and modified state.
  f.doc->SetModified();
  f.user.chosenFile = f.FilePath("no/such/folder/x.cf1");
  QVERIFY(!f.doc->SaveAs());
  QCOMPARE(f.user.told.last(), QString(kFailedToSaveDocument));
  QVERIFY(f.doc->IsModified());
}

void DocTest::File_ModifiedWorkspaceAsksBeforeItIsReplaced() {
  CDocFixture f;
  f.AddDevice(clDevice::kMaster, "COM1", "M");
  f.doc->SetModified();
  f.user.answers = {CAnswer::kCancel};
  QVERIFY(!f.doc->NewWorkspace());
  QCOMPARE(f.user.asked, QStringList{"Save changes to Untitled?"});
  QCOMPARE(f.doc->Workspace().Masters().Count(), size_t{1});
  // Yes saves first (here as a new file), then the workspace is replaced.
  f.user.answers = {CAnswer::kYes};
  f.user.chosenFile = f.FilePath("kept.cf1");
  QVERIFY(f.doc->NewWorkspace());
  QVERIFY(QFile::exists(f.FilePath("kept.cf1")));
  QCOMPARE(f.doc->Workspace().Masters().Count(), size_t{0});
  // The same question guards closing.
  f.doc->SetModified();
  f.user.answers = {CAnswer::kYes, CAnswer::kCancel};
  QVERIFY(!f.doc->CanClose(true));
  f.user.answers = {CAnswer::kYes, CAnswer::kNo};
  QVERIFY(f.doc->CanClose(true));
}

void DocTest::Startup_CommandLineFileWinsOverAutoOpen() {
  CDocFixture f;
  clWorkspace a;
  a.InitNew();
  a.CommitDevice(a.NewMaster());
  clWorkspace b;
  b.InitNew();
  b.CommitDevice(b.NewSlave());
  QVERIFY(SaveWorkspaceFile(a, f.FilePath("a.cf1").toStdString()).empty());
  QVERIFY(SaveWorkspaceFile(b, f.FilePath("b.cf1").toStdString()).empty());
  f.options.AddRecentFile(f.FilePath("a.cf1"));
  f.options.Write(COptions::kAutoOpen, 1);
  QVERIFY(OpenStartupWorkspace(*f.doc, f.options, {f.FilePath("b.cf1"), false}));
  QCOMPARE(f.doc->DisplayName(), QString("b.cf1"));
  QCOMPARE(f.doc->Workspace().Slaves().Count(), size_t{1});
  // A command-line file that cannot be read ends the start-up, with the message.
  QVERIFY(!OpenStartupWorkspace(*f.doc, f.options, {f.FilePath("none.cf1"), false}));
  QCOMPARE(f.user.told, QStringList{kFailedToOpenDocument});
}

void DocTest::Startup_WritesMissingDefaultsAndAutoOpensTheRecentFile() {
  CDocFixture f;
  QCOMPARE(f.options.Read(COptions::kAutoOpen), -1);
  f.options.Write(COptions::kMonitorTextCut, 500);
  QVERIFY(OpenStartupWorkspace(*f.doc, f.options, {}));
  QCOMPARE(f.options.Read(COptions::kAutoOpen), 0);
  QCOMPARE(f.options.Read(COptions::kAutoRun), 0);
  QCOMPARE(f.options.Read(COptions::kMonitorTextLength), 25000);
  QCOMPARE(f.options.Read(COptions::kMonitorTextCut), 500);  // present: kept
  QCOMPARE(f.doc->DisplayName(), QString("Untitled"));

  clWorkspace a;
  a.InitNew();
  a.CommitDevice(a.NewMaster());
  QVERIFY(SaveWorkspaceFile(a, f.FilePath("a.cf1").toStdString()).empty());
  f.options.AddRecentFile(f.FilePath("a.cf1"));
  f.options.Write(COptions::kAutoOpen, 1);
  QVERIFY(OpenStartupWorkspace(*f.doc, f.options, {}));
  QCOMPARE(f.doc->DisplayName(), QString("a.cf1"));
  // Gone: ignored silently, start-up goes on.
  CDocFixture g;
  g.options.AddRecentFile(g.FilePath("gone.cf1"));
  g.options.Write(COptions::kAutoOpen, 1);
  QVERIFY(OpenStartupWorkspace(*g.doc, g.options, {}));
  QVERIFY(g.user.told.isEmpty());
  QCOMPARE(g.doc->DisplayName(), QString("Untitled"));

  // A recent file that does not load is told, and start-up goes on with a new
  // workspace rather than ending (which would end every later start too).
  QFile broken(g.FilePath("broken.cf1"));
  QVERIFY(broken.open(QIODevice::WriteOnly));
  broken.write("garbage");
  broken.close();
  g.options.AddRecentFile(broken.fileName());
  QVERIFY(OpenStartupWorkspace(*g.doc, g.options, {}));
  QCOMPARE(g.user.told, QStringList{kUnexpectedFileFormat});
  QCOMPARE(g.doc->DisplayName(), QString("Untitled"));

  // AutoRun starts every device that can start, without a word for the others.
  CDocFixture h;
  h.AddPort("VLINE17-B");
  h.AddPort(kDeadPort);
  clDevice* slave = h.AddDevice(clDevice::kSlave, "VLINE17-B", "S");
  clDevice* dead = h.AddDevice(clDevice::kSlave, kDeadPort, "T");
  h.options.Write(COptions::kAutoRun, 1);
  RunStartupDevices(*h.doc, h.options, {});
  QVERIFY(slave->IsRunning());
  QVERIFY(!dead->IsRunning());
  QVERIFY(h.user.told.isEmpty());
  h.doc->Run(CCommand::kStopAll);
}

void DocTest::Options_RecentFilesKeepFourAndThePortsMapSurvives() {
  CDocFixture f;
  QFile file(f.options.Path());
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("[Ports]\nCOM3=/dev/ttyUSB0\n");
  file.close();
  f.options.WriteMissingDefaults();
  f.options.StoreDialogValues({true, false, 10, 11});
  QCOMPARE(f.options.Read(COptions::kMonitorTextLength), 25000);  // 10: not stored
  QCOMPARE(f.options.Read(COptions::kMonitorTextCut), 11);
  for (int i = 1; i <= 6; ++i) f.options.AddRecentFile(f.FilePath(QString("%1.cf1").arg(i)));
  QCOMPARE(f.options.RecentFiles().size(), COptions::kRecentFileCount);
  QCOMPARE(f.options.RecentFiles().first(), f.FilePath("6.cf1"));
  QCOMPARE(ResolvePortDevice("COM3", f.options.Path().toStdString()),
           std::string("/dev/ttyUSB0"));
  // The sections carry their names as they are, for a reader of the file.
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  QVERIFY2(text.contains("[Recent File List]\nFile1=" + f.FilePath("6.cf1").toUtf8() + "\n"),
           text.constData());
  QVERIFY(text.contains("[Option]\nAutoOpen="));
  file.close();
  // "Option" opens the options dialog on the document's settings.
  f.doc->Run(CCommand::kOption);
  QCOMPARE(f.user.dialogs, QList<CDialog>{CDialog::kOption});
}

QTEST_GUILESS_MAIN(DocTest)
#include "doc_test.moc"
