// The workspace list on the offscreen platform, with real workspace objects and
// real devices: its tables per selection, which cells may change, live values,
// the clipboard commands, filtering and sorting.
#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QSortFilterProxyModel>
#include <QtTest>

#include "app/device_runners.h"
#include "model/workspace_file.h"
#include "model/workspace_paste.h"
#include "slave/slave_engine.h"
#include "tests/ui/ui_test_helpers.h"
#include "ui/list/item_list.h"
#include "ui/list/item_list_model.h"
#include "ui/list/item_table.h"

namespace {

// A list over the fixture's document, its models under the model tester.
struct ListFixture : CDocFixture {
  ListFixture() : list(*doc, nullptr) {
    list.resize(900, 400);
    list.show();
  }
  CItemList list;
  QAbstractItemModelTester modelTester{list.Model(),
                                       QAbstractItemModelTester::FailureReportingMode::QtTest};
  QAbstractItemModelTester proxyTester{list.Proxy(),
                                       QAbstractItemModelTester::FailureReportingMode::QtTest};

  QModelIndex Cell(int row, int column) const { return list.Proxy()->index(row, column); }
  QString Text(int row, int column) const { return Cell(row, column).data().toString(); }
  bool Editable(int row, int column) const {
    return list.Proxy()->flags(Cell(row, column)) &
           (Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
  }
  // Types a text into a cell as its editor would hand it over.
  void Type(int row, int column, const QString& text) {
    list.Proxy()->setData(Cell(row, column), text);
    QCoreApplication::processEvents();
  }
  QStringList Headers() const {
    QStringList titles;
    for (int c = 0; c < list.Proxy()->columnCount(); ++c)
      titles.append(list.Proxy()->headerData(c, Qt::Horizontal).toString());
    return titles;
  }
  // A sector of tags of the types given, IOA 1, 2, ..., named T1, T2, ...
  clSector* AddTags(clDevice& device, std::initializer_list<int32_t> types) {
    clSector* sector = device.Sectors()->First();
    sector->Tags().RemoveAll();
    int32_t n = 0;
    for (int32_t type : types) {
      auto tag = std::make_unique<clTag>();
      tag->SetName("T" + std::to_string(++n));
      tag->SetType(type);
      tag->SetIoa(n);
      tag->SetSectorId(sector->Id());
      sector->Tags().AddSorted(std::move(tag));
    }
    return sector;
  }
  // Selects a table, all its rows, and copies (or cuts) them.
  void Copy(const std::function<void()>& select, CCommand command = CCommand::kCopy) {
    select();
    list.View()->selectAll();
    doc->Run(command);
  }
  std::vector<uint8_t> Saved() const { return WorkspaceToBytes(doc->Workspace()); }
};

// Which cells of row 0 are editable: 'E' editable, '-' read-only.
QString EditableColumns(const ListFixture& f) {
  QString mask;
  for (int c = 0; c < f.list.Proxy()->columnCount(); ++c) mask += f.Editable(0, c) ? 'E' : '-';
  return mask;
}

}  // namespace

class ItemListTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { IsolateSettings(settingsFolder_); }

  void Layouts_FollowTheSelectionWithTheirColumnsAndStoredWidths();
  void ReadOnlyRules_FollowTheTableAndTheRunningState();
  void Edit_RefusesWhatATagCannotTakeAndStoresTheRest();
  void Refresh_SignalsChangedRowsOnlyNeverUnderAnOpenEditorAndShowsNewTags();
  void RunningSlaveEdit_ReachesTheMastersRowAtTheNextRefresh();
  void CopyPaste_EachKindIntoAnotherWorkspaceWithNewIdentities();
  void PasteText_AsksWritesDownTheShownColumnAndStopsAtTheLastRow();
  void BadClipboardData_IsRefusedAndChangesNothing();
  void Delete_AsksRefusesWhileRunningAndDropsTheRows();
  void FilterAndSort_ChangeOnlyWhatIsShown();

 private:
  QTemporaryDir settingsFolder_;
};

void ItemListTest::Layouts_FollowTheSelectionWithTheirColumnsAndStoredWidths() {
  ListFixture f;
  clDevice* master = f.AddDevice(clDevice::kMaster, "COM1", "M");
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM2", "S");
  clIEC101CaptureDevice* monitor = f.AddMonitor("COM3", "COM4");
  f.doc->Workspace().CreateMonitorTag(*monitor, 1, clTag::kSinglePoint, 5);
  const QStringList channel = {"Name",     "Port",        "Link Address", "Size-LinkAddr",
                               "Size-Sector", "Size-IOA", "Size-COT",     "State"};
  const struct {
    std::function<void()> select;
    CListLayoutId layout;
    QStringList headers;  // all of them, or the first few
    int rows;
  } cases[] = {
      {[&] { f.doc->SelectRoot(clDevice::kMaster); }, CListLayoutId::kChannelMaster, channel, 1},
      {[&] { f.doc->SelectRoot(clDevice::kSlave); }, CListLayoutId::kChannelSlave, channel, 1},
      {[&] { f.doc->SelectRoot(clDevice::kMonitor); },
       CListLayoutId::kChannelMonitor,
       {"Name", "Port1 [<--]", "Port2 [-->]", "Size-LinkAddr", "Size-Sector", "Size-IOA",
        "Size-COT", "State"},
       1},
      {[&] { f.doc->SelectDevice(master); }, CListLayoutId::kSector, {"Name", "Sector", "Active"}, 1},
      {[&] { f.doc->SelectDevice(slave); }, CListLayoutId::kSector, {"Name", "Sector", "Active"}, 1},
      {[&] { f.doc->SelectSector(master->Sectors()->First()); },
       CListLayoutId::kTagMaster,
       {"Name", "Type", "IOA", "IOA Structure", "Value", "Quality", "Timestamp", "Command",
        "Cause of Transmission", "Scale", "Type", "RawMin", "RawMax", "EngMin", "EngMax",
        "ScaleFactor"},
       1},
      {[&] { f.doc->SelectSector(slave->Sectors()->First()); },
       CListLayoutId::kTagSlave,
       {"Name", "Type", "IOA", "IOA Structure", "Value", "Timestamp"},
       1},
      {[&] { f.doc->SelectDevice(monitor); },
       CListLayoutId::kDeviceMonitor,
       {"Name", "Type", "IOA", "IOA Structure", "Value", "Quality", "Timestamp", "Command",
        "Cause of Transmission"},
       1},
  };
  clColumnWidths& widths = f.doc->Workspace().ColumnWidths();
  const double scale = f.list.WidthScale();
  QVERIFY(scale >= 1);
  for (const auto& c : cases) {
    c.select();
    QCOMPARE(f.list.Layout(), c.layout);
    QCOMPARE(f.Headers(), c.headers);
    QCOMPARE(f.list.RowCount(), c.rows);
    const char* name = ListLayout(c.layout).name;
    for (int column = 0; column < c.headers.size(); ++column) {
      QCOMPARE(f.list.View()->columnWidth(column),
               static_cast<int>(std::lround(widths.Width(name, column) * scale)));
    }
  }
  // A column the user widens keeps its width, in stored pixels, for the layout.
  f.doc->SelectSector(slave->Sectors()->First());
  f.list.View()->horizontalHeader()->resizeSection(1, static_cast<int>(std::lround(300 * scale)));
  QCOMPARE(widths.Width("TagSlave", 1), 300);
  f.doc->SelectRoot(clDevice::kMaster);
  f.doc->SelectSector(slave->Sectors()->First());
  QCOMPARE(f.list.View()->columnWidth(1), static_cast<int>(std::lround(300 * scale)));
  QCOMPARE(widths.Width("TagMaster", 1), 180);
  // The texts come from the objects' properties.
  QCOMPARE(f.Text(0, 1), QString("Single Point"));
  QCOMPARE(f.Text(0, 5), QString("2000-01-01 00:00:00.000"));
  f.doc->SelectDevice(monitor);
  QCOMPARE(f.Text(0, 0), QString("SP5"));
  // Closing the workspace empties the list before anything is deleted.
  f.doc->NewWorkspace();
  QCOMPARE(f.list.Layout(), CListLayoutId::kNone);
  QCOMPARE(f.list.RowCount(), 0);
}

void ItemListTest::ReadOnlyRules_FollowTheTableAndTheRunningState() {
  ListFixture f;
  clDevice* master = f.AddDevice(clDevice::kMaster, "COM1", "M");
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM2", "S");
  clIEC101CaptureDevice* monitor = f.AddMonitor("COM3", "COM4");
  f.doc->Workspace().CreateMonitorTag(*monitor, 1, clTag::kMeasuredFloat, 5);
  clSector* masterSector = f.AddTags(*master, {clTag::kMeasuredFloat});
  clSector* slaveSector = f.AddTags(*slave, {clTag::kMeasuredScaled});
  const auto slaveTag = [&](int32_t type) {
    f.AddTags(*slave, {type});
    f.doc->SelectSector(slaveSector);
  };
  const struct {
    const char* what;
    std::function<void()> select;
    clDevice* device;
    QString stopped;
    QString running;
  } cases[] = {
      {"master devices", [&] { f.doc->SelectRoot(clDevice::kMaster); }, master, "EEEEEEE-",
       "--------"},
      {"monitors", [&] { f.doc->SelectRoot(clDevice::kMonitor); }, monitor, "EEEEEEE-",
       "--------"},
      {"sectors", [&] { f.doc->SelectDevice(slave); }, slave, "EEE", "---"},
      {"master tags", [&] { f.doc->SelectSector(masterSector); }, master, "EEEEE----EEEEEEE",
       "----------------"},
      {"slave measurand", [&] { slaveTag(clTag::kMeasuredScaled); }, slave, "EEEEE-", "----E-"},
      {"slave double point", [&] { slaveTag(clTag::kDoublePoint); }, slave, "EEEEE-", "----E-"},
      {"slave command", [&] { slaveTag(clTag::kSetpointScaled); }, slave, "EEEEE-", "------"},
      {"monitor tags", [&] { f.doc->SelectDevice(monitor); }, monitor, "---------",
       "---------"},
  };
  for (const auto& c : cases) {
    c.select();
    QVERIFY2(EditableColumns(f) == c.stopped, c.what);
    c.device->SetRunning(true);  // the flag alone decides
    QVERIFY2(EditableColumns(f) == c.running, c.what);
    c.device->SetRunning(false);
  }
  // The choices a cell offers.
  slaveTag(clTag::kDoublePoint);
  QCOMPARE(f.Cell(0, 4).data(CItemListModel::kChoicesRole).toStringList(),
           (QStringList{"Intransit", "Open", "Close", "Invalid"}));
  QCOMPARE(f.Cell(0, 1).data(CItemListModel::kChoicesRole).toStringList().size(), 13);
  f.doc->SelectRoot(clDevice::kSlave);
  QCOMPARE(f.Cell(0, 5).data(CItemListModel::kChoicesRole).toStringList(),
           (QStringList{"1", "2", "3"}));
  QCOMPARE(f.Cell(0, 1).data(CItemListModel::kChoicesRole).toStringList().size(), 10);
}

void ItemListTest::Edit_RefusesWhatATagCannotTakeAndStoresTheRest() {
  ListFixture f;
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM2", "S");
  clSector* sector =
      f.AddTags(*slave, {clTag::kMeasuredScaled, clTag::kDoublePoint, clTag::kSinglePoint});
  f.doc->SelectSector(sector);
  clTag* scaled = sector->Tags().Items()[0];
  clTag* point = sector->Tags().Items()[1];
  const struct {
    int row;
    int column;
    const char* text;
    const char* told;  // the start of the message, or none
  } cases[] = {
      {0, 4, "12.5x", "Value \"12.5x\" is not a number: Measured Scaled takes a whole number"},
      {0, 4, "40000", "Value 40000 is out of range: Measured Scaled takes a whole number"},
      {0, 4, "2.5", "Value 2.5 is out of range"},
      {1, 4, "Ajar", "Value \"Ajar\" is not valid: Double Point takes Intransit, Open, Close or"},
      {0, 2, "16777216", "IOA \"16777216\" is not a whole number from 0 to 16777215"},
      {0, 3, "1/2", "IOA structure \"1/2\" is not three numbers"},
      {0, 1, "Nonsense", "\"Nonsense\" is not Single Point, Double Point"},
      {0, 0, "", "A name cannot be empty"},
      {0, 4, "-32768", nullptr},
      {1, 4, "close", nullptr},
      {2, 4, "1", nullptr},
      {0, 3, "0/1/2", nullptr},
  };
  for (const auto& c : cases) {
    f.user.told.clear();
    const std::vector<uint8_t> before = f.Saved();
    f.Type(c.row, c.column, c.text);
    if (c.told) {
      QCOMPARE(f.user.told.size(), 1);
      QVERIFY2(f.user.told.front().startsWith(c.told), qPrintable(f.user.told.front()));
      QVERIFY(f.Saved() == before);
    } else {
      QCOMPARE(f.user.told, QStringList());
    }
  }
  QCOMPARE(scaled->Value(), -32768.0);
  QCOMPARE(point->Value(), 2.0);
  QCOMPARE(f.Text(1, 4), QString("Close"));
  QCOMPARE(sector->Tags().Items()[2]->Value(), 1.0);
  QCOMPARE(scaled->Ioa(), 258);
  QVERIFY(f.doc->IsModified());
  // A link address field too small for the device's link address.
  f.doc->SelectRoot(clDevice::kSlave);
  f.Type(0, 3, "2");
  f.Type(0, 2, "300");
  f.Type(0, 3, "1");
  QCOMPARE(f.user.told, QStringList{"Link Address 300 does not fit 1 octet: use 0 to 255"});
  QCOMPARE(slave->LinkAddressSize(), 2);
  // A renamed sector reaches the tree through its hint.
  f.doc->SelectDevice(slave);
  f.TakeHints();
  f.Type(0, 0, "Feeder");
  QCOMPARE(f.TakeHints(), QList<int>{kHintSlaveSectorRenamed});
  QCOMPARE(f.Text(0, 0), QString("Feeder"));
  // The check box of "Active".
  f.list.Proxy()->setData(f.Cell(0, 2), Qt::Unchecked, Qt::CheckStateRole);
  QCoreApplication::processEvents();
  QVERIFY(!sector->Active());
  QCOMPARE(f.Cell(0, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
}

void ItemListTest::Refresh_SignalsChangedRowsOnlyNeverUnderAnOpenEditorAndShowsNewTags() {
  ListFixture f;
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM2", "S");
  clSector* sector = f.AddTags(*slave, {1, 3, 4, 5, 6, 7, 4, 4, 4, 4});
  f.doc->SelectSector(sector);
  QSignalSpy spy(f.list.Model(), &QAbstractItemModel::dataChanged);
  const auto sourceRow = [&](int i) { return f.list.Model()->RowOf(sector->Tags().Items()[i]); };
  sector->Tags().Items()[2]->SetRawValue(7);
  sector->Tags().Items()[3]->SetRawValue(8);
  sector->Tags().Items()[8]->SetTimeStamp(clTimeStamp{2024, 5, 6, 7, 8, 9, 10});
  f.doc->Refresh();
  // Neighbours in one range, the live columns only (value and time stamp).
  QCOMPARE(spy.count(), 2);
  QCOMPARE(spy[0][0].toModelIndex(), f.list.Model()->index(sourceRow(2), 4));
  QCOMPARE(spy[0][1].toModelIndex(), f.list.Model()->index(sourceRow(3), 5));
  QCOMPARE(spy[1][0].toModelIndex().row(), sourceRow(8));
  QCOMPARE(f.Text(sourceRow(8), 5), QString("2024-05-06 07:08:09.010"));
  spy.clear();
  f.doc->Refresh();
  QCOMPARE(spy.count(), 0);

  // While an editor is open nothing is rewritten; the next tick catches up.
  f.list.View()->setCurrentIndex(f.Cell(0, 4));
  f.list.View()->edit(f.Cell(0, 4));
  QVERIFY(f.list.View()->Editing());
  sector->Tags().Items()[5]->SetRawValue(99);
  f.doc->Refresh();
  QCOMPARE(spy.count(), 0);
  QWidget* editor = f.list.View()->indexWidget(f.Cell(0, 4));
  QVERIFY(editor);
  QTest::keyClick(editor, Qt::Key_Escape);
  QVERIFY(!f.list.View()->Editing());
  f.doc->Refresh();
  QCOMPARE(spy.count(), 1);

  // A running monitor's new objects join its table at the next tick.
  clIEC101CaptureDevice* monitor = f.AddMonitor("COM3", "COM4");
  f.doc->SelectDevice(monitor);
  QCOMPARE(f.list.RowCount(), 0);
  f.doc->Workspace().CreateMonitorTag(*monitor, 1, clTag::kSinglePoint, 2);
  f.doc->Workspace().CreateMonitorTag(*monitor, 1, clTag::kMeasuredFloat, 3);
  f.doc->Refresh();
  QCOMPARE(f.list.RowCount(), 2);
  QCOMPARE(f.Text(1, 2), QString("3"));
}

void ItemListTest::RunningSlaveEdit_ReachesTheMastersRowAtTheNextRefresh() {
  ListFixture f;
  f.doc->OpenDemo();
  clWorkspace& workspace = f.doc->Workspace();
  clDevice* master = workspace.Masters().Items()->front();
  clDevice* slave = workspace.Slaves().Items()->front();
  f.doc->Run(CCommand::kStartAll);
  QVERIFY(master->IsRunning() && slave->IsRunning());
  clTag* masterScaled = master->Sectors()->First()->Tags().FindByIoa(4);
  clTag* masterPoint = master->Sectors()->First()->Tags().FindByIoa(2);
  QTRY_VERIFY_WITH_TIMEOUT(masterScaled->Quality() == 0 && masterScaled->Value() == 1234, 20000);

  // On the slave's list, through the cells as the user types and picks.
  f.doc->SelectSector(slave->Sectors()->First());
  const int scaledRow = f.list.Model()->RowOf(slave->Sectors()->First()->Tags().FindByIoa(4));
  const int pointRow = f.list.Model()->RowOf(slave->Sectors()->First()->Tags().FindByIoa(2));
  QVERIFY(f.Editable(scaledRow, 4) && !f.Editable(scaledRow, 0));
  f.Type(scaledRow, 4, "4321");
  f.Type(pointRow, 4, "Open");
  QCOMPARE(f.user.told, QStringList());
  QCOMPARE(f.Text(scaledRow, 4), QString("4321"));
  QVERIFY(f.Text(scaledRow, 5).left(4) != "2000");  // the edit's time

  // The master's list shows both at the first tick after they arrive.
  f.doc->SelectSector(master->Sectors()->First());
  const int masterRow = f.list.Model()->RowOf(masterScaled);
  const int masterPointRow = f.list.Model()->RowOf(masterPoint);
  QTRY_VERIFY_WITH_TIMEOUT(masterScaled->Value() == 4321 && masterPoint->Value() == 1, 20000);
  QSignalSpy spy(f.list.Model(), &QAbstractItemModel::dataChanged);
  f.doc->Refresh();
  const auto signalled = [&spy](int row) {
    for (const QList<QVariant>& range : spy)
      if (range[0].toModelIndex().row() <= row && row <= range[1].toModelIndex().row())
        return true;
    return false;
  };
  QVERIFY(signalled(masterRow) && signalled(masterPointRow));
  QCOMPARE(f.Text(masterRow, 4), QString("4321"));
  QCOMPARE(f.Text(masterPointRow, 4), QString("Open"));
  QCOMPARE(f.Text(masterRow, 8), QString("Spontaneous"));
  QCOMPARE(f.Text(masterRow, 5), QString("Good"));
  f.doc->Run(CCommand::kStopAll);
}

void ItemListTest::CopyPaste_EachKindIntoAnotherWorkspaceWithNewIdentities() {
  ListFixture a;
  ListFixture b;  // another instance: another document on the same clipboard
  a.AddDevice(clDevice::kMaster, "COM1", "Master1");
  clDevice* slave = a.AddDevice(clDevice::kSlave, "COM2", "Slave1");
  clIEC101CaptureDevice* monitor = a.AddMonitor("COM3", "COM4");
  a.doc->Workspace().CreateMonitorTag(*monitor, 1, clTag::kSinglePoint, 5);
  a.AddTags(*slave, {clTag::kSinglePoint, clTag::kMeasuredFloat});
  slave->Sectors()->First()->Tags().Items()[1]->SetRawValue(49.5);
  // b already holds a slave of the same name, whose sector holds a T1.
  clDevice* other = b.AddDevice(clDevice::kSlave, "COM1", "Slave1");
  b.AddTags(*other, {clTag::kDoublePoint});
  const size_t slaveIds = b.doc->Workspace().CounterValue(clWorkspace::kDeviceIdCounter);

  const struct {
    const char* what;
    std::function<void()> copy;
    std::function<void()> target;
    std::function<QString()> result;
  } cases[] = {
      {"master devices", [&] { a.doc->SelectRoot(clDevice::kMaster); },
       [&] { b.doc->SelectRoot(clDevice::kMaster); },
       [&] { return QString::fromStdString(b.doc->Workspace().Masters().Items()->back()->Name()); }},
      {"slave devices", [&] { a.doc->SelectRoot(clDevice::kSlave); },
       [&] { b.doc->SelectRoot(clDevice::kSlave); },
       [&] { return QString::fromStdString(b.doc->Workspace().Slaves().Items()->front()->Name()); }},
      {"monitor devices", [&] { a.doc->SelectRoot(clDevice::kMonitor); },
       [&] { b.doc->SelectRoot(clDevice::kMonitor); },
       [&] { return QString::fromStdString(b.doc->Workspace().Monitors().Items()->back()->Name()); }},
      {"sectors", [&] { a.doc->SelectDevice(slave); }, [&] { b.doc->SelectDevice(other); },
       [&] { return QString::fromStdString(other->Sectors()->Items()->back()->Name()); }},
      {"tags (cut)", [&] { a.doc->SelectSector(slave->Sectors()->First()); },
       [&] { b.doc->SelectSector(other->Sectors()->First()); },
       [&] { return QString("%1 rows").arg(b.list.RowCount()); }},
  };
  const QStringList results = {"Master1", "Copy Slave1", "Monitor1", "Sector2", "3 rows"};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    a.Copy(c.copy, i + 1 == std::size(cases) ? CCommand::kCut : CCommand::kCopy);
    c.target();
    b.doc->Run(CCommand::kPaste);
    QVERIFY2(b.user.told.isEmpty(), c.what);
    QCOMPARE(c.result(), results[static_cast<qsizetype>(i)]);
    QCOMPARE(b.list.RowCount() > 0, true);
  }
  QVERIFY(b.doc->IsModified());
  // Cut is Copy and then Delete, with its question.
  QCOMPARE(a.user.asked, QStringList{kDeleteTagsQuestion});
  QCOMPARE(slave->Sectors()->First()->Tags().Count(), size_t{0});
  // The pasted slave takes b's next identity (the paste rules' own test checks
  // the parents' links) and keeps the copied values.
  clDevice* pasted = b.doc->Workspace().Slaves().Items()->front();
  QCOMPARE(pasted->Id(), static_cast<int32_t>(slaveIds) + 1);
  QCOMPARE(pasted->Sectors()->First()->Tags().Items()[1]->Value(), 49.5);
  // The pasted tags take "Copy T1" where b's sector has a T1 already.
  QCOMPARE(b.Text(1, 0), QString("Copy T1"));
  // The clipboard also holds the rows as text for a spreadsheet.
  const QString text = QGuiApplication::clipboard()->mimeData()->text();
  QCOMPARE(text.split('\n').first(), QString("T1\tSingle Point\t1\t0/0/1\tOff\t2000-01-01 00:00:00.000"));

  // Nothing is pasted into a running device, and objects need their place.
  other->SetRunning(true);
  b.doc->Run(CCommand::kPaste);
  QCOMPARE(b.user.told, QStringList{kPasteRefused});
  other->SetRunning(false);
  b.user.told.clear();
  b.doc->SelectRoot(clDevice::kMaster);
  b.doc->Run(CCommand::kPaste);
  QCOMPARE(b.user.told.size(), 1);
  QVERIFY(b.user.told.front().startsWith("The clipboard holds tags: select a master or slave sector"));
}

void ItemListTest::PasteText_AsksWritesDownTheShownColumnAndStopsAtTheLastRow() {
  ListFixture f;
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM2", "S");
  clSector* sector = f.AddTags(*slave, {4, 4, 4, 4});
  f.doc->SelectSector(sector);
  // Shown by IOA from the highest: T4, T3, T2, T1.
  f.list.View()->sortByColumn(2, Qt::DescendingOrder);
  const auto value = [&](int n) { return sector->Tags().Items()[static_cast<size_t>(n - 1)]->Value(); };
  f.list.View()->setCurrentIndex(f.Cell(1, 4));  // T3's value
  QGuiApplication::clipboard()->setText("10\r\n\n20\n30\n40\n50\n60\n");
  f.doc->Run(CCommand::kPaste);
  QCOMPARE(f.user.asked.last(),
           QString("Continue Paste Array:\n\nStart Cell [2,4]\n\nValues:\n10\n20\n30\n40\n50\n..."));
  // Three rows from T3 down: T3, T2, T1; the rest of the lines has no row.
  QCOMPARE(value(3), 10.0);
  QCOMPARE(value(2), 20.0);
  QCOMPARE(value(1), 30.0);
  QCOMPARE(value(4), 0.0);
  QCOMPARE(sector->Tags().Count(), size_t{4});
  QCOMPARE(f.Text(1, 4), QString("10"));

  // Five lines: no "...". A No changes nothing.
  QGuiApplication::clipboard()->setText("1\n2\n3\n4\n5");
  f.user.answers = {CAnswer::kNo};
  f.doc->Run(CCommand::kPaste);
  QVERIFY(f.user.asked.last().endsWith("Values:\n1\n2\n3\n4\n5\n"));
  QCOMPARE(value(3), 10.0);

  // One line the tag cannot take refuses the whole paste.
  QGuiApplication::clipboard()->setText("11\nabc\n13");
  f.doc->Run(CCommand::kPaste);
  QCOMPARE(f.user.told.size(), 1);
  QVERIFY(f.user.told.front().startsWith("Paste aborted at row 3: Value \"abc\" is not a number"));
  QCOMPARE(value(3), 10.0);

  // A read-only column, and a running device.
  f.user.told.clear();
  f.list.View()->setCurrentIndex(f.Cell(0, 5));
  f.doc->Run(CCommand::kPaste);
  QCOMPARE(f.user.told, QStringList{"Paste aborted, the column \"Timestamp\" cannot be changed."});
  f.user.told.clear();
  slave->SetRunning(true);
  f.list.View()->setCurrentIndex(f.Cell(0, 4));
  f.doc->Run(CCommand::kPaste);
  QCOMPARE(f.user.told, QStringList{kPasteRefused});
  slave->SetRunning(false);
}

void ItemListTest::BadClipboardData_IsRefusedAndChangesNothing() {
  ListFixture f;
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM2", "S");
  clSector* sector = f.AddTags(*slave, {1, 2});
  f.Copy([&] { f.doc->SelectSector(sector); });
  const QByteArray good = QGuiApplication::clipboard()->mimeData()->data(ClipFormat(clClipKind::kTags));
  QVERIFY(good.size() > 20);
  const std::vector<uint8_t> before = f.Saved();
  QByteArray hostile = good;
  hostile[10] = '\x7F';  // the class name's length
  for (const QByteArray& bad : {good.left(good.size() - 1), good + "x", hostile, QByteArray()}) {
    auto* data = new QMimeData;
    data->setData(ClipFormat(clClipKind::kTags), bad);
    data->setText("1");
    QGuiApplication::clipboard()->setMimeData(data);
    f.user.told.clear();
    f.doc->Run(CCommand::kPaste);
    QCOMPARE(f.user.told, QStringList{kClipDamaged});
    QVERIFY(f.Saved() == before);
    QCOMPARE(f.list.RowCount(), 2);
  }
  QVERIFY(!f.doc->IsModified());
}

void ItemListTest::Delete_AsksRefusesWhileRunningAndDropsTheRows() {
  ListFixture f;
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM2", "S");
  clSector* sector = f.AddTags(*slave, {1, 2, 3});
  f.AddDevice(clDevice::kSlave, "COM3", "S2");
  const struct {
    std::function<void()> select;
    const char* refusal;
    const char* question;
    int rowsLeft;
  } cases[] = {
      {[&] { f.doc->SelectSector(sector); }, kDeleteTagRefused, kDeleteTagsQuestion, 1},
      {[&] { f.doc->SelectDevice(slave); }, kDeleteListSectorRefused, kDeleteSectorsQuestion, 0},
      {[&] { f.doc->SelectRoot(clDevice::kSlave); }, kDeleteDeviceRefused, kDeleteDevicesQuestion,
       1},
  };
  for (const auto& c : cases) {
    c.select();
    f.list.View()->selectRow(0);
    if (f.list.RowCount() > 2) f.list.View()->selectionModel()->select(
        f.Cell(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const int rows = f.list.RowCount();
    slave->SetRunning(true);
    f.user.told.clear();
    f.doc->Run(CCommand::kDeleteRows);
    QCOMPARE(f.user.told, QStringList{c.refusal});
    slave->SetRunning(false);
    f.user.answers = {CAnswer::kNo};
    f.doc->Run(CCommand::kDeleteRows);
    QCOMPARE(f.user.asked.last(), QString(c.question));
    QCOMPARE(f.list.RowCount(), rows);
    // Delete on the keyboard is the same command; Yes this time.
    QTest::keyClick(f.list.View(), Qt::Key_Delete);
    QCOMPARE(f.list.RowCount(), c.rowsLeft);
  }
  QCOMPARE(f.doc->Workspace().Slaves().Count(), size_t{1});
  QCOMPARE(f.doc->Workspace().Slaves().Items()->front()->Name(), std::string("S2"));
}

void ItemListTest::FilterAndSort_ChangeOnlyWhatIsShown() {
  ListFixture f;
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM2", "S");
  clSector* sector = f.AddTags(*slave, {1, 2, 3, 4, 5, 6, 7, 1, 1, 1, 1, 1});
  sector->Tags().Items()[3]->SetIoa(0x010203);
  f.doc->SelectSector(sector);
  const auto shown = [&] {
    QStringList names;
    for (int r = 0; r < f.list.RowCount(); ++r) names.append(f.Text(r, 0));
    return names;
  };
  f.list.FilterBox()->setText("t1");
  QCOMPARE(shown(), (QStringList{"T1", "T10", "T11", "T12"}));
  f.list.FilterBox()->setText("Measured");
  QCOMPARE(shown(), (QStringList{"T3", "T4", "T5"}));
  f.list.FilterBox()->setText("1/2/3");  // the IOA as its three bytes
  QCOMPARE(shown().size(), 1);
  f.list.FilterBox()->setText("7");  // the IOA as a number
  QCOMPARE(shown(), (QStringList{"T7"}));
  f.list.FilterBox()->clear();
  f.list.View()->sortByColumn(2, Qt::DescendingOrder);
  QCOMPARE(shown().first(), QString("T12"));
  QCOMPARE(shown().last(), QString("T1"));
  // The stored order is the name order, whatever is shown.
  QCOMPARE(QString::fromStdString(sector->Tags().Items()[0]->Name()), QString("T1"));
  QCOMPARE(QString::fromStdString(sector->Tags().Items()[1]->Name()), QString("T10"));
  // A table of another kind starts without the tags' filter.
  f.list.FilterBox()->setText("T1");
  f.doc->SelectDevice(slave);
  QCOMPARE(f.list.FilterBox()->text(), QString());
  QCOMPARE(f.list.RowCount(), 1);
}

QTEST_MAIN(ItemListTest)
#include "item_list_test.moc"
