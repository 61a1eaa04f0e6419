// The "Import Tags" window on Qt's offscreen platform: a workbook read on the
// worker thread into the checklist, the ticks, the import into the device, and
// reads that a new file or closing the window cuts short.
#include "ui/import/import_dlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>
#include <fstream>

#include "model/tag_import.h"
#include "tests/ui/ui_test_helpers.h"
#include "ui/dialogs/dialogs.h"
#include "ui/import/import_rows_model.h"

namespace {

constexpr int kReadTimeoutMs = 30000;  // generous: a loaded machine under sanitizers

QString Template(const QString& extension) {
  return QString(TELVANE_SOURCE_DIR) + "/tests/workbook/data/tag_template." + extension;
}

QStringList Headers(const QTreeView* view) {
  QStringList titles;
  for (int c = 0; c < view->model()->columnCount(); ++c)
    titles.append(view->model()->headerData(c, Qt::Horizontal).toString());
  return titles;
}

QStringList RowTexts(const QAbstractItemModel* model, int row) {
  QStringList texts;
  for (int c = 0; c < model->columnCount(); ++c)
    texts.append(model->index(row, c).data().toString());
  return texts;
}

// Answers the next message box with OK and returns its text (after it closed).
class MessageBoxAnswer {
 public:
  MessageBoxAnswer() {
    QTimer::singleShot(0, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        text = box->text();
        box->accept();
      }
    });
  }
  QString text;
};

// A CSV template of `rows` rows (one sector per 500), written to `path`.
void WriteLargeCsv(const QString& path, int rows) {
  std::ofstream out(path.toStdString());
  out << "title\n\n\n\nsector,tag_name,type,ioa\n";
  for (int i = 0; i < rows; ++i)
    out << 1 + i / 500 << ",Tag" << i << ",Single Point," << 1000 + i << "\n";
}

size_t TagCount(const clDevice& device) {
  size_t count = 0;
  for (const clSector* sector : device.Sectors()->Items()) count += sector->Tags().Count();
  return count;
}

}  // namespace

class ImportDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { IsolateSettings(settingsFolder_); }

  void Slave_ReadsTheTemplateAndImportsTheTickedRows();
  void Master_ShowsScalingColumnsAndImportsScaling();
  void UnreadableWorkbook_ShowsOneMessageNamingTheFile();
  void NewFileReplacesAReadInProgress_ClosingStopsIt();
  void ImportCommand_RunsTheWindowAndMarksTheDocument();

 private:
  QTemporaryDir settingsFolder_;
};

void ImportDlgTest::Slave_ReadsTheTemplateAndImportsTheTickedRows() {
  CDocFixture f;
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM1", "Slave1");
  CImportDlg dialog(f.doc->Workspace(), *slave);
  dialog.show();
  QCOMPARE(dialog.windowTitle(), QString("Import Tags"));
  QCOMPARE(dialog.DeviceNameField()->text(), QString("Slave1"));
  QVERIFY(dialog.DeviceNameField()->isReadOnly());
  QVERIFY(!dialog.ImportButton()->isEnabled());
  QCOMPARE(Headers(dialog.Checklist()),
           QStringList({"Sector", "TagName", "Type", "IOA", "EnableLink", "LinkSector", "LinkTag",
                        "InitialValue"}));
  QCOMPARE(dialog.Checklist()->header()->sectionSize(1), 180);
  QCOMPARE(dialog.Checklist()->header()->sectionSize(7), 80);

  dialog.ReadWorkbook(Template("xls"));
  QCOMPARE(dialog.FileField()->text(), Template("xls"));
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Reading(), kReadTimeoutMs);
  QAbstractItemModel* rows = dialog.Checklist()->model();
  QCOMPARE(rows->rowCount(), 19);
  QVERIFY(dialog.SelectAllButton()->isEnabled() && dialog.ImportButton()->isEnabled());
  QVERIFY(dialog.Progress()->isHidden());
  QCOMPARE(RowTexts(rows, 7),
           QStringList({"3", "CloseCmd", "Single Command", "400", "On", "1", "Breaker1", "0"}));
  QCOMPARE(rows->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

  // Nothing ticked: refused, nothing changes.
  QTest::mouseClick(dialog.DeselectAllButton(), Qt::LeftButton);
  QCOMPARE(rows->index(18, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  {
    MessageBoxAnswer answer;
    QTest::mouseClick(dialog.ImportButton(), Qt::LeftButton);
    QCOMPARE(answer.text, QString(kNoItemSelected));
  }
  QCOMPARE(TagCount(*slave), size_t{1});
  QVERIFY(!dialog.Imported());

  // All but row 6 (Breaker1), unticked with the keyboard as a user would.
  QTest::mouseClick(dialog.SelectAllButton(), Qt::LeftButton);
  dialog.Checklist()->setCurrentIndex(rows->index(0, 0));
  QTest::keyClick(dialog.Checklist(), Qt::Key_Space);
  QCOMPARE(rows->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  QTest::mouseClick(dialog.ImportButton(), Qt::LeftButton);
  QVERIFY(dialog.Imported());
  QCOMPARE(rows->rowCount(), 0);
  QVERIFY(!dialog.ImportButton()->isEnabled());
  QCOMPARE(TagCount(*slave), size_t{18});
  QVERIFY(slave->Sectors()->FindByCommonAddress(1)->Tags().FindByName("Breaker1") == nullptr);
  // The link of CloseCmd names Breaker1, which was not imported.
  QCOMPARE(slave->Sectors()->FindByCommonAddress(3)->Tags().FindByName("CloseCmd")->LinkTarget(),
           0);
  QVERIFY(dialog.StatusLabel()->text().contains("18 tags imported into Slave1"));
}

void ImportDlgTest::Master_ShowsScalingColumnsAndImportsScaling() {
  CDocFixture f;
  clDevice* master = f.AddDevice(clDevice::kMaster, "COM1", "Master1");
  CImportDlg dialog(f.doc->Workspace(), *master);
  dialog.show();
  QCOMPARE(Headers(dialog.Checklist()),
           QStringList({"Sector", "TagName", "Type", "IOA", "Scaling", "ScaleType", "rawmin",
                        "rawmax", "engmin", "engmax", "scalefactor"}));
  QCOMPARE(dialog.Checklist()->header()->sectionSize(10), 65);
  dialog.ReadWorkbook(Template("ods"));
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Reading(), kReadTimeoutMs);
  QCOMPARE(RowTexts(dialog.Checklist()->model(), 3),
           QStringList({"2", "Voltage", "Measured Normalized", "200", "On", "Linear", "0.00",
                        "32767.00", "0.00", "100.00", "0.00"}));
  // The template's widths are the least: no number, type name or title is cut.
  QAbstractItemView* list = dialog.Checklist();
  QHeaderView* header = dialog.Checklist()->header();
  for (int c = 0; c < list->model()->columnCount(); ++c) {
    QVERIFY(header->sectionSize(c) >= dialog.Rows()->Columns()[c].width);
    QVERIFY(header->sectionSize(c) >= list->sizeHintForColumn(c));
    QVERIFY(header->sectionSize(c) >= header->sectionSizeHint(c));
  }
  QTest::mouseClick(dialog.ImportButton(), Qt::LeftButton);
  const clTag* voltage = master->Sectors()->FindByCommonAddress(2)->Tags().FindByName("Voltage");
  QVERIFY(voltage && voltage->ScalingEnabled());
  QCOMPARE(voltage->RawMax(), 32767.0);
  QCOMPARE(master->Sectors()->Count(), size_t{6});  // the fixture's sector is gone

  const QString snapshots = qEnvironmentVariable("TELVANE_SNAPSHOT_DIR");
  if (!snapshots.isEmpty()) {
    dialog.ReadWorkbook(Template("xlsx"));
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.Reading(), kReadTimeoutMs);
    dialog.grab().save(snapshots + "/import_dlg_master.png");
  }
}

void ImportDlgTest::UnreadableWorkbook_ShowsOneMessageNamingTheFile() {
  CDocFixture f;
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM1", "Slave1");
  const QString path = f.FilePath("damaged.xlsx");
  {
    std::ofstream out(path.toStdString());
    out << "PK\x03\x04 not really a zip archive";
  }
  CImportDlg dialog(f.doc->Workspace(), *slave);
  dialog.ReadWorkbook(path);
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Reading(), kReadTimeoutMs);
  QCOMPARE(dialog.Checklist()->model()->rowCount(), 0);
  QVERIFY(dialog.StatusLabel()->text().contains("cannot read workbook '" + path +
                                                "': the file is damaged or truncated"));
  {
    MessageBoxAnswer answer;
    QTest::mouseClick(dialog.ImportButton(), Qt::LeftButton);
    QCOMPARE(answer.text, QString(kNoItemSelected));
  }
  QCOMPARE(TagCount(*slave), size_t{1});
}

void ImportDlgTest::NewFileReplacesAReadInProgress_ClosingStopsIt() {
  CDocFixture f;
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM1", "Slave1");
  const QString large = f.FilePath("large.csv");
  WriteLargeCsv(large, kImportRowEnd - kImportFirstRow);
  {
    CImportDlg dialog(f.doc->Workspace(), *slave);
    dialog.ReadWorkbook(large);
    dialog.ReadWorkbook(Template("csv"));  // the large read is no longer wanted
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.Reading(), kReadTimeoutMs);
    QCOMPARE(dialog.Checklist()->model()->rowCount(), 19);
    // A late result of the large read must not replace the rows.
    QTest::qWait(200);
    QCOMPARE(dialog.Checklist()->model()->rowCount(), 19);

    dialog.ReadWorkbook(large);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.Reading(), kReadTimeoutMs);
    QCOMPARE(dialog.Checklist()->model()->rowCount(), kImportRowEnd - kImportFirstRow);
    dialog.ReadWorkbook(large);
  }  // closed while reading: the read stops and the thread ends
  QCOMPARE(TagCount(*slave), size_t{1});
}

void ImportDlgTest::ImportCommand_RunsTheWindowAndMarksTheDocument() {
  CDocFixture f;
  clDevice* slave = f.AddDevice(clDevice::kSlave, "COM1", "Slave1");
  f.doc->SelectDevice(slave);
  bool sawWindow = false;
  f.user.onDialog = [&](CDialogRequest& request) {
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<CImportDlg*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      sawWindow = true;
      dialog->ReadWorkbook(Template("csv"));
      QTRY_VERIFY_WITH_TIMEOUT(!dialog->Reading(), kReadTimeoutMs);
      QTest::mouseClick(dialog->ImportButton(), Qt::LeftButton);
      dialog->reject();  // Cancel after importing: the import stands
    });
    f.user.dialogResult = RunDialog(nullptr, request);
  };
  QVERIFY(!f.doc->IsModified());
  f.doc->Run(CCommand::kImport);
  QVERIFY(sawWindow);
  QCOMPARE(f.user.dialogs, QList<CDialog>({CDialog::kImport}));
  QVERIFY(f.doc->IsModified());
  QCOMPARE(TagCount(*slave), size_t{19});
}

QTEST_MAIN(ImportDlgTest)
#include "import_dlg_test.moc"
