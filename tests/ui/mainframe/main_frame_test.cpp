// The real main window on Qt's offscreen platform: the tree as a view of the
// document, the context menus, the refresh tick and a running demonstration.
#include <QAction>
#include <QCheckBox>
#include <QSpinBox>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSplitter>
#include <QtTest>

#include "app/device_runners.h"
#include "model/workspace_file.h"
#include "slave/slave_engine.h"
#include "tests/ui/ui_test_helpers.h"
#include "ui/icons/icons.h"
#include "ui/mainframe/main_frame.h"
#include "ui/options/option_dlg.h"
#include "ui/tree/tree_item.h"

namespace {

QStringList Texts(QTreeWidgetItem* parent) {
  QStringList texts;
  for (int i = 0; i < parent->childCount(); ++i) texts.append(parent->child(i)->text(0));
  return texts;
}

QStringList MenuTexts(QMenu* menu) {
  QStringList texts;
  for (QAction* action : menu->actions()) texts.append(action->text());
  return texts;
}

bool SameImage(const QIcon& icon, int index, QIcon::Mode mode = QIcon::Normal) {
  return icon.pixmap(16, mode).toImage() == TreeImage(index).toImage();
}

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { IsolateSettings(settingsFolder_); }

  void Tree_AfterLoadShowsRootsDevicesAndSectorsWithTheirImages();
  void Tree_FollowsAddRenameAndDeleteHints();
  void Tree_ContextMenuPerItemAndRightClickSelects();
  void Frame_RefreshTimerSendsTheSelectionsHint();
  void Frame_TitleActionsAndSplitterFollowTheDocument();
  void Frame_CloseBoxFollowsTheClosingRules();
  void Demo_RunsFromTheWindowWithLiveValues();
  void OptionDialog_ShowsTheStoreAndStoresOnOkOnly();

 private:
  QTemporaryDir settingsFolder_;
};

void MainFrameTest::Tree_AfterLoadShowsRootsDevicesAndSectorsWithTheirImages() {
  CDocFixture f;
  clWorkspace saved;
  saved.InitNew();
  clDevice* master = saved.CommitDevice(saved.NewMaster());
  for (const char* name : {"Bay B", "Bay A"}) {
    auto sector = saved.NewSector(*master);
    sector.object->SetName(name);
    saved.CommitSector(*master, std::move(sector.object));
  }
  clDevice* slave = saved.CommitDevice(saved.NewSlave());
  auto sector = saved.NewSector(*slave);
  saved.CommitSector(*slave, std::move(sector.object));
  saved.CommitDevice(saved.NewMonitor());
  QVERIFY(SaveWorkspaceFile(saved, f.FilePath("w.cf1").toStdString()).empty());

  CMainFrame frame(*f.doc);
  QVERIFY(f.doc->OpenFile(f.FilePath("w.cf1")));
  CTreeItem* tree = frame.Tree();
  QCOMPARE(tree->topLevelItemCount(), 3);
  QStringList roots;
  for (int i = 0; i < 3; ++i) roots.append(tree->topLevelItem(i)->text(0));
  QCOMPARE(roots, (QStringList{"IEC 870-5-101 Master", "IEC 870-5-101 Slave",
                               "IEC 870-5-101 Monitor"}));
  QTreeWidgetItem* masterItem = tree->RootItem(clDevice::kMaster)->child(0);
  QCOMPARE(masterItem->text(0), QString("Master1"));
  QCOMPARE(Texts(masterItem), (QStringList{"Bay A", "Bay B"}));  // file order: sorted
  QCOMPARE(Texts(tree->RootItem(clDevice::kSlave)->child(0)), QStringList{"Sector1"});
  QCOMPARE(tree->RootItem(clDevice::kMonitor)->child(0)->childCount(), 0);

  // Images: roots 0/1, master sector 2/3, master 4/5, slave sector 6/7, slave
  // 8/9, monitor 10/11 (normal / selected).
  QVERIFY(SameImage(tree->topLevelItem(0)->icon(0), 0));
  QVERIFY(SameImage(tree->topLevelItem(0)->icon(0), 1, QIcon::Selected));
  QVERIFY(SameImage(masterItem->child(0)->icon(0), 2));
  QVERIFY(SameImage(masterItem->icon(0), 4));
  QVERIFY(SameImage(masterItem->icon(0), 5, QIcon::Selected));
  QVERIFY(SameImage(tree->RootItem(clDevice::kSlave)->child(0)->child(0)->icon(0), 6));
  QVERIFY(SameImage(tree->RootItem(clDevice::kSlave)->child(0)->icon(0), 8));
  QVERIFY(SameImage(tree->RootItem(clDevice::kMonitor)->child(0)->icon(0), 10));
  QVERIFY(!SameImage(masterItem->icon(0), 8));  // the pictures differ
}

void MainFrameTest::Tree_FollowsAddRenameAndDeleteHints() {
  CDocFixture f;
  CMainFrame frame(*f.doc);
  CTreeItem* tree = frame.Tree();
  tree->setCurrentItem(tree->RootItem(clDevice::kSlave));
  QCOMPARE(f.doc->Selection(), CSelection::kSlaveRoot);

  frame.Action(CCommand::kNewDevice)->trigger();
  clDevice* slave = f.doc->SelectedDevice();
  QTreeWidgetItem* item = tree->ItemOf(slave);
  QVERIFY(item);
  QCOMPARE(item->text(0), QString("Slave1"));
  QCOMPARE(tree->currentItem(), item);
  QCOMPARE(f.doc->Selection(), CSelection::kSlaveDevice);

  frame.Action(CCommand::kAddSector)->trigger();
  clSector* sector = f.doc->SelectedSector();
  QCOMPARE(tree->currentItem(), tree->ItemOf(sector));
  QCOMPARE(tree->ItemOf(sector)->parent(), item);
  frame.Action(CCommand::kNewTag)->trigger();  // tags are not in the tree
  QCOMPARE(tree->ItemOf(sector)->childCount(), 0);

  tree->setCurrentItem(item);
  QCOMPARE(f.doc->SelectedDevice(), slave);
  f.user.onDialog = [](CDialogRequest& r) { r.device->SetName("Outstation"); };
  frame.Action(CCommand::kDeviceProperties)->trigger();
  QCOMPARE(item->text(0), QString("Outstation"));

  tree->setCurrentItem(tree->ItemOf(sector));
  frame.Action(CCommand::kDeleteSector)->trigger();
  QCOMPARE(tree->ItemOf(sector), nullptr);
  QCOMPARE(item->childCount(), 0);
  tree->setCurrentItem(item);
  frame.Action(CCommand::kDeleteDevice)->trigger();
  QCOMPARE(tree->ItemOf(slave), nullptr);
  QCOMPARE(tree->RootItem(clDevice::kSlave)->childCount(), 0);
  QCOMPARE(f.doc->SelectedDevice(), nullptr);
}

void MainFrameTest::Tree_ContextMenuPerItemAndRightClickSelects() {
  CDocFixture f;
  clDevice* master = f.AddDevice(clDevice::kMaster, "COM1", "M");
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM1", "S");
  clIEC101CaptureDevice* monitor = f.AddMonitor("COM1", "COM2");
  CMainFrame frame(*f.doc);
  frame.show();
  CTreeItem* tree = frame.Tree();
  tree->expandAll();

  const QStringList deviceMenu = {"Add Sector", "Delete", "Properties", "Import",
                                  "Start",      "Stop",   "Monitor"};
  const QStringList sectorMenu = {"New Tag", "Delete", "Properties"};
  const struct {
    QTreeWidgetItem* item;
    QStringList entries;
    CSelection selection;
  } cases[] = {
      {tree->RootItem(clDevice::kMonitor), {"New Device"}, CSelection::kMonitorRoot},
      {tree->ItemOf(master), deviceMenu, CSelection::kMasterDevice},
      {tree->ItemOf(slave), deviceMenu, CSelection::kSlaveDevice},
      {tree->ItemOf(master->Sectors()->First()), sectorMenu, CSelection::kMasterSector},
      {tree->ItemOf(slave->Sectors()->First()), sectorMenu, CSelection::kSlaveSector},
      {tree->ItemOf(monitor),
       {"Start", "Stop", "Delete", "Properties", "Monitor"},
       CSelection::kMonitorDevice},
  };
  for (const auto& c : cases) {
    QVERIFY(c.item);
    const QPoint at = tree->visualItemRect(c.item).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &event);
    QCOMPARE(f.doc->Selection(), c.selection);
    QMenu* menu = tree->ContextMenuFor(c.item);
    QCOMPARE(MenuTexts(menu), c.entries);
    menu->close();
  }
  // Entries follow the commands' rules: a stopped device offers Start, not Stop.
  f.doc->SelectDevice(monitor);
  QMenu* menu = tree->ContextMenuFor(tree->ItemOf(monitor));
  QVERIFY(menu->actions()[0]->isEnabled());
  QVERIFY(!menu->actions()[1]->isEnabled());
  // Choosing an entry runs the command on the item.
  f.user.trafficShown.clear();
  menu->actions()[4]->trigger();
  QCOMPARE(f.user.trafficShown, QList<const clDevice*>{monitor});
}

void MainFrameTest::Frame_RefreshTimerSendsTheSelectionsHint() {
  CDocFixture f;
  clDevice* master = f.AddDevice(clDevice::kMaster, "COM1", "M");
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM1", "S");
  clIEC101CaptureDevice* monitor = f.AddMonitor("COM1", "COM2");
  CMainFrame frame(*f.doc);
  emit f.doc->Updated(kHintLoaded, {});
  QCOMPARE(frame.RefreshTimer().interval(), CMainFrame::kRefreshMs);
  QVERIFY(frame.RefreshTimer().isActive());
  CTreeItem* tree = frame.Tree();
  const struct {
    QTreeWidgetItem* item;
    int hint;
  } cases[] = {
      {tree->ItemOf(master->Sectors()->First()), kHintMasterSectorRefresh},
      {tree->ItemOf(slave->Sectors()->First()), kHintSlaveSectorRefresh},
      {tree->RootItem(clDevice::kMaster), kHintMasterRootRefresh},
      {tree->RootItem(clDevice::kSlave), kHintSlaveRootRefresh},
      {tree->ItemOf(monitor), kHintMonitorRefresh},
  };
  for (const auto& c : cases) {
    tree->setCurrentItem(c.item);
    f.hints.clear();
    QSignalSpy spy(f.doc.get(), &CDoc::Updated);
    QVERIFY(spy.wait(CMainFrame::kRefreshMs * 4));
    QCOMPARE(f.hints.first().hint, c.hint);
  }
}

void MainFrameTest::Frame_TitleActionsAndSplitterFollowTheDocument() {
  CDocFixture f;
  CMainFrame frame(*f.doc);
  frame.resize(1200, 600);
  frame.show();
  QVERIFY(QTest::qWaitForWindowExposed(&frame));
  QCOMPARE(frame.windowTitle(), QString("Untitled[*] - Telvane"));
  QVERIFY(!frame.isWindowModified());
  const QList<int> sizes = frame.Splitter()->sizes();
  QVERIFY2(qAbs(sizes[0] * 3 - sizes[1]) < 20, qPrintable(QString("%1 %2").arg(sizes[0]).arg(sizes[1])));

  frame.Tree()->setCurrentItem(nullptr);
  f.doc->ClearSelection();
  QVERIFY(!frame.Action(CCommand::kNewDevice)->isEnabled());
  QVERIFY(frame.Action(CCommand::kStartAll)->isEnabled());
  frame.Tree()->setCurrentItem(frame.Tree()->RootItem(clDevice::kMaster));
  QVERIFY(frame.Action(CCommand::kNewDevice)->isEnabled());
  QVERIFY(frame.Action(CCommand::kEditAdd)->isEnabled());
  QVERIFY(!frame.Action(CCommand::kStart)->isEnabled());
  frame.Action(CCommand::kEditAdd)->trigger();
  QVERIFY(frame.isWindowModified());
  QVERIFY(frame.Action(CCommand::kStart)->isEnabled());
  QVERIFY(frame.StatusDevice()->text().contains("Master1"));
  QVERIFY(frame.StatusDevice()->text().contains("stopped"));
  QVERIFY(frame.StatusDevice()->text().contains("COM1"));
}

void MainFrameTest::Frame_CloseBoxFollowsTheClosingRules() {
  CDocFixture f;
  f.AddPort("VLINE21-B");
  clDevice* slave = f.AddDevice(clDevice::kSlave, "VLINE21-B", "S");
  CMainFrame frame(*f.doc);
  frame.show();
  f.doc->SelectDevice(slave);
  f.doc->Run(CCommand::kStart);
  QVERIFY(!frame.close());
  QCOMPARE(f.user.told, QStringList{kDevicesStillRunning});
  f.doc->Run(CCommand::kStop);
  f.user.answers = {CAnswer::kNo};
  QVERIFY(!frame.close());
  QCOMPARE(f.user.asked, QStringList{kShutdownClose});
  frame.ExitAction()->trigger();  // Yes
  QCOMPARE(f.user.asked.last(), QString(kShutdownExit));
  QVERIFY(!frame.isVisible());
  QCOMPARE(f.user.asked.size(), 2);  // Exit asked once, not again on closing
}

void MainFrameTest::Demo_RunsFromTheWindowWithLiveValues() {
  CDocFixture f;
  CMainFrame frame(*f.doc);
  frame.show();
  f.doc->OpenDemo();
  frame.Action(CCommand::kStartAll)->trigger();
  clWorkspace& workspace = f.doc->Workspace();
  clDevice* master = workspace.Masters().Items()->front();
  clDevice* slave = workspace.Slaves().Items()->front();
  QVERIFY(master->IsRunning() && slave->IsRunning());
  QVERIFY(workspace.Monitors().Items()->front()->IsRunning());
  clSector* sector = master->Sectors()->First();
  frame.Tree()->setCurrentItem(frame.Tree()->ItemOf(sector));
  QVERIFY(frame.StatusDevice()->text().contains("running"));

  clTag* masterScaled = sector->Tags().FindByIoa(4);
  clTag* slaveScaled = slave->Sectors()->First()->Tags().FindByIoa(4);
  QVERIFY(masterScaled && slaveScaled);
  QTRY_VERIFY_WITH_TIMEOUT(masterScaled->Quality() == 0 && masterScaled->Value() == 1234, 20000);
  // A change at the slave reaches the master while the window runs.
  auto* engine = dynamic_cast<clIEC101SlaveEngine*>(f.doc->Runners().RunnerFor(*slave));
  QVERIFY(engine && engine->SetTagValue(1, 4, 4321));
  QTRY_VERIFY_WITH_TIMEOUT(masterScaled->Value() == 4321, 20000);
  // The refresh ticks keep coming for the selected sector.
  QSignalSpy spy(f.doc.get(), &CDoc::Updated);
  QTRY_VERIFY_WITH_TIMEOUT(spy.count() > 0, CMainFrame::kRefreshMs * 4);
  QVERIFY(!f.doc->CanClose(true));
  frame.Action(CCommand::kStopAll)->trigger();
  QVERIFY(!master->IsRunning());
}

void MainFrameTest::OptionDialog_ShowsTheStoreAndStoresOnOkOnly() {
  CDocFixture f;
  f.options.Write(COptions::kAutoOpen, 1);
  f.options.Write(COptions::kAutoRun, 3);
  f.options.Write(COptions::kMonitorTextLength, 30000);
  {
    COptionDlg dialog(f.options);
    QCOMPARE(dialog.windowTitle(), QString("Option"));
    QVERIFY(dialog.AutoOpenBox()->isChecked());
    QVERIFY(!dialog.AutoRunBox()->isChecked());  // only 1 checks it
    QCOMPARE(dialog.TextLengthField()->value(), 30000);
    QCOMPARE(dialog.TextCutField()->value(), -1);  // missing
    dialog.AutoOpenBox()->setChecked(false);
    dialog.TextLengthField()->setValue(5);
    dialog.reject();
  }
  QCOMPARE(f.options.Read(COptions::kAutoOpen), 1);  // Cancel wrote nothing
  COptionDlg dialog(f.options);
  dialog.AutoOpenBox()->setChecked(false);
  dialog.AutoRunBox()->setChecked(true);
  dialog.TextLengthField()->setValue(10);
  dialog.TextCutField()->setValue(400);
  dialog.accept();
  QCOMPARE(f.options.Read(COptions::kAutoOpen), 0);
  QCOMPARE(f.options.Read(COptions::kAutoRun), 1);
  QCOMPARE(f.options.Read(COptions::kMonitorTextLength), 30000);
  QCOMPARE(f.options.Read(COptions::kMonitorTextCut), 400);
}

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
