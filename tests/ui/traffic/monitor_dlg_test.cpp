// The traffic window on Qt's offscreen platform, on the demonstration's real
// devices over a virtual line: what it shows under each filter and in which
// format, its trimming, saving and finding, and its life next to its device.
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBlock>
#include <QXmlStreamReader>
#include <QtTest>

#include "app/device_runners.h"
#include "master/master_engine.h"
#include "master/master_write.h"
#include "runtime/virtual_lines.h"
#include "slave/slave_engine.h"
#include "tests/ui/ui_test_helpers.h"
#include "ui/mainframe/desktop_user.h"
#include "ui/traffic/monitor_dlg.h"
#include "ui/traffic/rtf_writer.h"
#include "ui/traffic/traffic_view.h"
#include "ui/traffic/traffic_windows.h"

namespace {

constexpr int kWaitMs = 20000;

// A document with the demonstration open and traffic windows that follow it.
struct TrafficFixture {
  CDocFixture f;
  CTrafficWindows windows;
  clDevice* master = nullptr;
  clDevice* slave = nullptr;
  clDevice* monitor = nullptr;

  TrafficFixture() {
    windows.Follow(*f.doc);
    f.doc->OpenDemo();
    clWorkspace& workspace = f.doc->Workspace();
    master = workspace.Masters().Items()->front();
    slave = workspace.Slaves().Items()->front();
    monitor = workspace.Monitors().Items()->front();
  }
  ~TrafficFixture() {
    if (f.doc) f.doc->Run(CCommand::kStopAll);
  }

  CMonitorDlg* Open(clDevice* device, int length = 25000, int cut = 10000) {
    windows.Show(*device, length, cut, nullptr);
    return windows.WindowOf(*device);
  }
  clIEC101MasterEngine* MasterEngine() {
    return dynamic_cast<clIEC101MasterEngine*>(f.doc->Runners().RunnerFor(*master));
  }
  clIEC101SlaveEngine* SlaveEngine() {
    return dynamic_cast<clIEC101SlaveEngine*>(f.doc->Runners().RunnerFor(*slave));
  }
};

QString Text(CMonitorDlg* window) { return window->View()->toPlainText(); }

// Per line of the window, "h" when all of it is a header (regular black), "d"
// when all of it is decoded text (bold blue), "?" otherwise.
QStringList Styles(const QTextDocument& document) {
  QStringList styles;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    QSet<QString> seen;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      const QColor colour = format.foreground().color();
      const bool bold = format.fontWeight() >= QFont::Bold;
      if (colour == QColor(0, 0, 0) && !bold) seen.insert("h");
      else if (colour == QColor(0, 0, 255) && bold) seen.insert("d");
      else seen.insert("?");
    }
    styles.append(seen.size() == 1 ? *seen.begin() : "?");
  }
  return styles;
}

const QRegularExpression kHeaderLine("^(->|<-) \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d \\[.*\\]$");

// Every header line is regular black, every other line bold blue.
void VerifyHeaderAndDecodedFormats(CMonitorDlg* window) {
  const QStringList lines = Text(window).split('\n');
  const QStringList styles = Styles(*window->View()->document());
  QCOMPARE(lines.size(), styles.size());
  for (int i = 0; i < lines.size(); ++i) {
    if (lines[i].isEmpty()) continue;
    const bool header = kHeaderLine.match(lines[i]).hasMatch();
    QVERIFY2(styles[i] == (header ? "h" : "d"), qPrintable(QString::number(i) + ": " + lines[i]));
  }
}

clTrafficBatch Pieces(std::initializer_list<std::pair<const char*, bool>> pieces) {
  clTrafficBatch batch;
  for (const auto& [text, highlighted] : pieces) batch.push_back({text, highlighted, false});
  return batch;
}

// Closes the next modal box and keeps its text.
void AnswerNextMessage(QString* text) {
  QTimer::singleShot(0, [text] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      *text = box->text();
      box->accept();
    }
  });
}

// What LibreOffice made of an RTF file, read from its flat ODF text: per line
// the characters, and per character "h" (black, regular), "d" (blue, bold) or
// "?".
struct OdfText {
  QStringList lines;
  QStringList styles;
};

OdfText ReadFlatOdf(const QByteArray& xml) {
  QHash<QString, QString> spanStyles;
  OdfText out;
  QXmlStreamReader reader(xml);
  QString styleName;
  QStringList spanStack;
  bool inParagraph = false;
  const auto add = [&](const QString& text) {
    const QString style = spanStack.isEmpty() ? "h" : spanStyles.value(spanStack.last(), "?");
    out.lines.last() += text;
    out.styles.last() += QString(text.size(), style[0]);
  };
  while (!reader.atEnd()) {
    reader.readNext();
    const QStringView name = reader.qualifiedName();
    if (reader.isStartElement()) {
      const QXmlStreamAttributes a = reader.attributes();
      if (name == u"style:style") styleName = a.value("style:name").toString();
      if (name == u"style:text-properties" && !styleName.isEmpty()) {
        const bool blue = a.value("fo:color") == u"#0000ff";
        const bool black = a.value("fo:color") == u"#000000";
        const bool bold = a.value("fo:font-weight") == u"bold";
        spanStyles[styleName] = blue && bold ? "d" : black && !bold ? "h" : "?";
      }
      if (name == u"text:p") {
        inParagraph = true;
        out.lines.append(QString());
        out.styles.append(QString());
      }
      if (name == u"text:span") spanStack.append(a.value("text:style-name").toString());
      if (name == u"text:tab") add("\t");
      if (name == u"text:s") add(QString(qMax(1, a.value("text:c").toInt()), ' '));
    } else if (reader.isEndElement()) {
      if (name == u"text:p") inParagraph = false;
      if (name == u"text:span") spanStack.removeLast();
      if (name == u"style:style") styleName.clear();
    } else if (reader.isCharacters() && inParagraph) {
      add(reader.text().toString());
    }
  }
  return out;
}

}  // namespace

class MonitorDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { IsolateSettings(settingsFolder_); }

  void Window_OpensStoppedAndShowsRealTrafficInBlackHeadersAndBoldBlueLines();
  void Window_CommandAndChangeOfStateShowOnlyTheirRecords();
  void View_TrimsExactlyTheCutFromTheFrontAndKeepsThePausedViewInPlace();
  void Window_FindsForwardBackwardAndAroundTheEnd();
  void SaveLog_RefusedWhileRunningThenRtfOrTextByTheName();
  void Rtf_SmallLogMatchesItsGoldenFileOctetByOctet();
  void Rtf_LibreOfficeReadsTheTextColoursAndBoldBack();
  void Windows_MonitorCommandShowsOneWindowPerDeviceThatGoesWithIt();
  void Windows_ClosingTheWorkspaceOrDocumentWhileCapturingTakesThemAlong();
  void Picture_DemoMastersTrafficWindow();

 private:
  QTemporaryDir settingsFolder_;
};

void MonitorDlgTest::Window_OpensStoppedAndShowsRealTrafficInBlackHeadersAndBoldBlueLines() {
  TrafficFixture t;
  CMonitorDlg* window = t.Open(t.master);
  QVERIFY(window && window->isVisible());
  QCOMPARE(window->windowTitle(), QString("Master1"));
  QVERIFY(window->StartButton()->isEnabled() && !window->StopButton()->isEnabled());
  QVERIFY(window->RawMessageBox()->isChecked() && window->TranslateBox()->isChecked());
  QVERIFY(!window->CommandBox()->isChecked() && !window->ChangeOfStateBox()->isChecked());
  QVERIFY(!window->StructureIoaBox()->isChecked() && !window->PauseBox()->isChecked());

  // Either selective box disables the other two; only both clear enable them.
  const auto enabled = [&] {
    return window->RawMessageBox()->isEnabled() && window->TranslateBox()->isEnabled();
  };
  QVERIFY(enabled());
  window->CommandBox()->setChecked(true);
  QVERIFY(!window->RawMessageBox()->isEnabled() && !window->TranslateBox()->isEnabled());
  window->ChangeOfStateBox()->setChecked(true);
  window->CommandBox()->setChecked(false);
  QVERIFY(!enabled());
  window->ChangeOfStateBox()->setChecked(false);
  QVERIFY(enabled());

  clVirtualLine* cable = clVirtualLines::Instance().Cable(1);
  const uint64_t sentBefore = cable->Counters(0).sent;
  t.f.doc->Run(CCommand::kStartAll);
  QTRY_VERIFY_WITH_TIMEOUT(cable->Counters(0).sent > sentBefore + 50, kWaitMs);
  QCoreApplication::processEvents();
  QCOMPARE(t.master->Traffic().Size(), size_t{0});
  QVERIFY(Text(window).isEmpty());

  QTest::mouseClick(window->StartButton(), Qt::LeftButton);
  QVERIFY(window->IsRunning() && !window->StartButton()->isEnabled());
  QVERIFY(window->StopButton()->isEnabled());
  QVERIFY(t.master->Traffic().IsConsumerRunning());
  // The polls' fixed frames: a header, the decoded lines, and a single space for
  // the element text of a frame without objects; an interrogation's objects.
  t.MasterEngine()->RequestGeneralInterrogation();
  QTRY_VERIFY_WITH_TIMEOUT(Text(window).contains("Measured Scale Response"), kWaitMs);
  QVERIFY2(QRegularExpression("LinkAdr: 1\n \n<- ").match(Text(window)).hasMatch(),
           qPrintable(Text(window)));
  QVERIFY2(Text(window).contains(QRegularExpression("\n\\[4\\] 1234 ")), qPrintable(Text(window)));
  VerifyHeaderAndDecodedFormats(window);

  // Structured addresses and no headers for what is drained from now on.
  window->StructureIoaBox()->setChecked(true);
  window->RawMessageBox()->setChecked(false);
  QTest::mouseClick(window->ClearButton(), Qt::LeftButton);
  t.MasterEngine()->RequestGeneralInterrogation();
  QTRY_VERIFY_WITH_TIMEOUT(Text(window).contains("\n[000/000/004] 1234 "), kWaitMs);
  QVERIFY(!Text(window).contains(QRegularExpression("(^|\n)(->|<-) ")));
  VerifyHeaderAndDecodedFormats(window);

  QTest::mouseClick(window->StopButton(), Qt::LeftButton);
  QVERIFY(!window->IsRunning() && window->StartButton()->isEnabled());
  QVERIFY(!t.master->Traffic().IsConsumerRunning());
  // Hiding does not stop a capture.
  QVERIFY(window->Start());
  window->hide();
  QVERIFY(window->IsRunning());
}

void MonitorDlgTest::Window_CommandAndChangeOfStateShowOnlyTheirRecords() {
  TrafficFixture t;
  CMonitorDlg* window = t.Open(t.master);
  // The monitor's window sees the whole line and tells when an exchange is over.
  CMonitorDlg* line = t.Open(t.monitor);
  t.f.doc->Run(CCommand::kStartAll);
  QVERIFY(window->Start() && line->Start());
  QTRY_VERIFY_WITH_TIMEOUT(Text(line).contains("COT: 10"), kWaitMs);  // first interrogation over

  window->CommandBox()->setChecked(true);
  window->StructureIoaBox()->setChecked(true);
  QTest::mouseClick(window->ClearButton(), Qt::LeftButton);
  QTest::mouseClick(line->ClearButton(), Qt::LeftButton);
  // An interrogation (not a command), then a double command that the slave's
  // linked double point follows with a time-tagged change.
  t.MasterEngine()->RequestGeneralInterrogation();
  QTRY_VERIFY_WITH_TIMEOUT(Text(line).contains("COT: 10"), kWaitMs);
  clSector* sector = t.master->Sectors()->First();
  clTag* command = sector->Tags().FindByIoa(20);
  QVERIFY(command);
  clMasterWrite write;
  write.value = 1;  // open: the demonstration's double point is closed
  QCOMPARE(WriteMasterTag(t.MasterEngine(), *sector, *command, write, nullptr), std::string());
  QTRY_VERIFY_WITH_TIMEOUT(Text(window).contains("Double Command Execute Response"), kWaitMs);
  QTRY_VERIFY_WITH_TIMEOUT(Text(line).contains("Double Point with Time Tag"), kWaitMs);
  QCoreApplication::processEvents();
  const QString commands = Text(window);
  QVERIFY2(commands.contains("Double Command Execute Request"), qPrintable(commands));
  QVERIFY2(commands.contains("\n[000/000/020] "), qPrintable(commands));
  // Every record shown is a command: no fixed frame, no interrogation, no
  // monitored data with or without time.
  const QStringList lines = commands.split('\n');
  for (int i = 0; i + 1 < lines.size(); ++i) {
    if (!kHeaderLine.match(lines[i]).hasMatch()) continue;
    QVERIFY2(lines[i].contains("[68 ") && lines[i + 1].startsWith("Double Command"),
             qPrintable(lines[i] + "\n" + lines[i + 1]));
  }
  VerifyHeaderAndDecodedFormats(window);

  window->CommandBox()->setChecked(false);
  window->ChangeOfStateBox()->setChecked(true);
  QTest::mouseClick(window->ClearButton(), Qt::LeftButton);
  QVERIFY(t.SlaveEngine()->SetTagValue(1, 4, 4321));
  QTRY_VERIFY_WITH_TIMEOUT(Text(window).contains("Measured Scaled with Time Tag CP56Time2a"),
                           kWaitMs);
  t.MasterEngine()->RequestGeneralInterrogation();
  QTest::mouseClick(line->ClearButton(), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(Text(line).contains("COT: 10"), kWaitMs);
  QCoreApplication::processEvents();
  const QString changes = Text(window);
  QVERIFY2(changes.contains(QRegularExpression("\n\\[000/000/004\\] [^\n]* 4321 ")),
           qPrintable(changes));
  QVERIFY2(!changes.contains("[10 ") && !changes.contains("Measured Scale Response"),
           qPrintable(changes));
  VerifyHeaderAndDecodedFormats(window);
}

void MonitorDlgTest::View_TrimsExactlyTheCutFromTheFrontAndKeepsThePausedViewInPlace() {
  CTrafficView view;
  view.resize(400, 200);
  view.show();
  view.SetTextLength(40);
  view.SetTextCut(15);
  view.AppendBatch(Pieces({{"-> header one", false}, {"decoded\twith tab", true}}));
  QCOMPARE(view.toPlainText(), QString("-> header one\ndecoded\twith tab"));
  QCOMPARE(view.CharacterCount(), 30);
  view.AppendBatch(Pieces({{"0123456789", true}}));  // 41 characters, one past the length
  const QString before = view.toPlainText();
  QCOMPARE(before.size(), 41);
  view.AppendBatch(Pieces({{"next", false}}));
  QCOMPARE(view.toPlainText(), before.mid(15) + "\nnext");
  QCOMPARE(Styles(*view.document()), (QStringList{"d", "d", "h"}));

  // Following the end unless paused; a paused view keeps showing the same line
  // while the front is cut.
  view.SetTextLength(4000);
  view.SetTextCut(1000);
  view.clear();
  clTrafficBatch many;
  for (int i = 0; i < 300; ++i) many.push_back({"line " + std::to_string(i), false, true});
  view.AppendBatch(many);
  QScrollBar* bar = view.verticalScrollBar();
  QVERIFY(bar->maximum() > 0);
  QCOMPARE(bar->value(), bar->maximum());
  view.SetPaused(true);
  bar->setValue(bar->maximum() - 20);
  const auto topLine = [&] { return view.cursorForPosition(QPoint(1, 1)).block().text(); };
  const QString top = topLine();
  view.AppendBatch(many);
  QVERIFY(view.CharacterCount() < 5000);
  QCOMPARE(topLine(), top);
  QVERIFY(bar->value() < bar->maximum());
  view.SetPaused(false);
  bar->setValue(bar->maximum());
  view.AppendBatch(Pieces({{"last", true}}));
  QCOMPARE(bar->value(), bar->maximum());
}

void MonitorDlgTest::Window_FindsForwardBackwardAndAroundTheEnd() {
  TrafficFixture t;
  CMonitorDlg* window = t.Open(t.master);
  window->View()->AppendBatch(Pieces({{"alpha", false}, {"beta", true}, {"alpha two", true}}));
  window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window));
  QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
  QVERIFY(window->FindBox()->hasFocus());
  QTest::keyClicks(window->FindBox(), "alpha");
  QTest::keyClick(window->FindBox(), Qt::Key_Return);
  QTextCursor found = window->View()->textCursor();
  QCOMPARE(found.selectedText(), QString("alpha"));
  QCOMPARE(found.selectionStart(), 0);
  QVERIFY(window->FindNext());
  QCOMPARE(window->View()->textCursor().selectionStart(), 11);
  QVERIFY2(window->FindNext(), "past the end it starts again from the top");
  QCOMPARE(window->View()->textCursor().selectionStart(), 0);
  QTest::keyClick(window->FindBox(), Qt::Key_Return, Qt::ShiftModifier);
  QCOMPARE(window->View()->textCursor().selectionStart(), 11);
  window->FindBox()->setText("gamma");
  QVERIFY(!window->FindNext());
  QVERIFY(!window->FindBox()->styleSheet().isEmpty());
}

void MonitorDlgTest::SaveLog_RefusedWhileRunningThenRtfOrTextByTheName() {
  TrafficFixture t;
  CMonitorDlg* window = t.Open(t.master);
  QCOMPARE(window->ProposedLogName(QDateTime(QDate(2024, 3, 5), QTime(14, 30, 7))),
           QString("Master1 05_143007"));
  QVERIFY(window->Start());
  QString told;
  AnswerNextMessage(&told);
  QTest::mouseClick(window->SaveLogButton(), Qt::LeftButton);
  QCOMPARE(told, QString(kServiceStillRunning));
  window->Stop();

  window->View()->AppendBatch(Pieces({{"-> 01:00:00.000 [10 49 01 4A 16]", false},
                                      {"Status of link Request", true}}));
  const QString rtf = t.f.FilePath("log.rtf");
  const QString text = t.f.FilePath("log.TXT");
  QVERIFY(window->SaveLogTo(rtf));
  QVERIFY(window->SaveLogTo(text));
  QFile rtfFile(rtf);
  QFile textFile(text);
  QVERIFY(rtfFile.open(QIODevice::ReadOnly) && textFile.open(QIODevice::ReadOnly));
  QCOMPARE(rtfFile.readAll(), TrafficRtf(*window->View()->document()));
  QCOMPARE(textFile.readAll(),
           QByteArray("-> 01:00:00.000 [10 49 01 4A 16]\nStatus of link Request\n"));
  QString error;
  QVERIFY(!window->SaveLogTo(t.f.FilePath("missing/log.rtf"), &error));
  QVERIFY2(error.contains("missing/log.rtf"), qPrintable(error));
}

void MonitorDlgTest::Rtf_SmallLogMatchesItsGoldenFileOctetByOctet() {
  CTrafficView view;
  view.AppendBatch(Pieces({{"-> 01:02:03.004 [10 5B 01 5C 16]", false},
                           {"Title\twith {braces} \\ and \xC3\xA9\xE2\x86\x92", true},
                           {" ", true},
                           {"<- 01:02:03.010 [empty]", false}}));
  const QByteArray golden =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082{\\fonttbl{\\f0\\fnil\\fcharset0 Courier "
      "New;}}\n"
      "{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green0\\blue255;}\n"
      "\\viewkind4\\uc1\\pard\\f0\\fs20 \\cf1 -> 01:02:03.004 [10 5B 01 5C 16]\\par\n"
      "\\cf2 \\b Title\\tab with \\{braces\\} \\\\ and \\u233?\\u8594?\\par\n"
      " \\par\n"
      "\\cf1 \\b0 <- 01:02:03.010 [empty]}\n";
  QCOMPARE(TrafficRtf(*view.document()), golden);
}

void MonitorDlgTest::Rtf_LibreOfficeReadsTheTextColoursAndBoldBack() {
  const QString soffice = QStandardPaths::findExecutable("soffice");
  if (soffice.isEmpty()) QSKIP("LibreOffice (soffice) is not installed: the round trip is not run");
  CTrafficView view;
  view.AppendBatch(Pieces({{"-> 01:02:03.004 [68 0E 0E 68 73 01 64 01 06 01 01 00 00 14 E4 16]",
                            false},
                           {"Interrogation Request\nCOT: 6 {Activation}", true},
                           {"[000/000/004]\t1234 \\ \xC3\xA9", true},
                           {" ", true},
                           {"<- 01:02:03.010 [empty]", false}}));
  QTemporaryDir folder;
  const QString rtf = folder.filePath("log.rtf");
  QFile file(rtf);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(TrafficRtf(*view.document()));
  file.close();
  QProcess convert;
  convert.setWorkingDirectory(folder.path());
  convert.setProcessEnvironment([&] {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", folder.path());  // a LibreOffice profile of its own
    return env;
  }());
  convert.start(soffice, {"--headless", "--convert-to", "fodt", "--outdir", folder.path(), rtf});
  QVERIFY(convert.waitForFinished(180000));
  QFile converted(folder.filePath("log.fodt"));
  QVERIFY2(converted.open(QIODevice::ReadOnly), convert.readAllStandardError().constData());
  const OdfText read = ReadFlatOdf(converted.readAll());
  QCOMPARE(read.lines, view.toPlainText().split('\n'));
  QStringList styles;
  for (int i = 0; i < read.lines.size(); ++i) {
    const QString style = Styles(*view.document()).value(i);
    styles.append(QString(read.lines[i].size(), style[0]));
  }
  QCOMPARE(read.styles, styles);
}

void MonitorDlgTest::Windows_MonitorCommandShowsOneWindowPerDeviceThatGoesWithIt() {
  // The desktop's own user: "Monitor" on the selected device.
  {
    QTemporaryDir folder;
    COptions options(folder.filePath("Telvane.conf"));
    options.Write(COptions::kMonitorTextLength, 500);
    CDesktopUser user;
    CDoc doc(user, options);
    user.Follow(doc);
    doc.OpenDemo();
    clDevice* slave = doc.Workspace().Slaves().Items()->front();
    doc.SelectDevice(slave);
    doc.Run(CCommand::kMonitor);
    CMonitorDlg* window = user.TrafficWindows().WindowOf(*slave);
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->View()->TextLength(), 500);
    QCOMPARE(window->View()->TextCut(), COptions::kDefaultTextCut);
  }

  TrafficFixture t;
  t.f.options.Write(COptions::kMonitorTextLength, 300);
  t.f.options.Write(COptions::kMonitorTextCut, 100);
  CMonitorDlg* window = t.Open(t.master, t.f.options.TextLength(), t.f.options.TextCut());
  QCOMPARE(window->View()->TextLength(), 300);
  // Visible: left alone. Hidden: the settings' limits, shown again, same window.
  t.Open(t.master, 900, 400);
  QCOMPARE(window->View()->TextLength(), 300);
  window->hide();
  QCOMPARE(t.Open(t.master, 900, 400), window);
  QVERIFY(window->isVisible());
  QCOMPARE(window->View()->TextLength(), 900);
  QCOMPARE(window->View()->TextCut(), 400);
  QCOMPARE(t.windows.Count(), 1);
  CMonitorDlg* other = t.Open(t.slave);
  QVERIFY(other && other != window);

  // Renamed, the window takes the new name.
  t.f.user.onDialog = [](CDialogRequest& request) { request.device->SetName("Feeder A"); };
  t.f.doc->SelectDevice(t.master);
  t.f.doc->Run(CCommand::kDeviceProperties);
  QCOMPARE(window->windowTitle(), QString("Feeder A"));

  // Deleted while its window captures: the window goes first, then the device.
  t.f.doc->Run(CCommand::kStartAll);
  QVERIFY(window->Start() && other->Start());
  QTRY_VERIFY_WITH_TIMEOUT(Text(window).contains("<- "), kWaitMs);
  t.f.doc->Run(CCommand::kStopAll);
  QPointer<CMonitorDlg> watched(window);
  t.f.doc->SelectDevice(t.master);
  t.f.doc->Run(CCommand::kDeleteDevice);
  QVERIFY(watched.isNull());
  QCOMPARE(t.windows.Count(), 1);
  QVERIFY(other->IsRunning());
}

void MonitorDlgTest::Windows_ClosingTheWorkspaceOrDocumentWhileCapturingTakesThemAlong() {
  auto t = std::make_unique<TrafficFixture>();
  t->f.doc->Run(CCommand::kStartAll);
  QPointer<CMonitorDlg> master(t->Open(t->master));
  QPointer<CMonitorDlg> monitor(t->Open(t->monitor));
  QVERIFY(master->Start() && monitor->Start());
  QTRY_VERIFY_WITH_TIMEOUT(Text(monitor).contains("<- "), kWaitMs);
  t->f.doc->Run(CCommand::kStopAll);
  QVERIFY(t->f.doc->NewWorkspace());
  QVERIFY(master.isNull() && monitor.isNull());
  QCOMPARE(t->windows.Count(), 0);

  // A document destroyed with windows capturing on running devices.
  t->f.doc->OpenDemo();
  t->master = t->f.doc->Workspace().Masters().Items()->front();
  t->f.doc->Run(CCommand::kStartAll);
  master = t->Open(t->master);
  QVERIFY(master->Start());
  QTRY_VERIFY_WITH_TIMEOUT(Text(master).contains("<- "), kWaitMs);
  t->f.doc.reset();
  QVERIFY(master.isNull());
  QCOMPARE(t->windows.Count(), 0);
}

void MonitorDlgTest::Picture_DemoMastersTrafficWindow() {
  TrafficFixture t;
  CMonitorDlg* window = t.Open(t.master);
  t.f.doc->Run(CCommand::kStartAll);
  QVERIFY(window->Start());
  QTRY_VERIFY_WITH_TIMEOUT(Text(window).contains("Measured Scale Response"), kWaitMs);
  QTRY_VERIFY_WITH_TIMEOUT(Text(window).count("User Data Class 2") >= 2, kWaitMs);
  const QImage picture = window->grab().toImage();
  window->Stop();
  QCOMPARE(picture.size(), QSize(CMonitorDlg::kWidth, CMonitorDlg::kHeight));
  // TELVANE_PICTURE_DIR=doc keeps the picture for the documentation.
  const QString folder = qEnvironmentVariable("TELVANE_PICTURE_DIR");
  if (!folder.isEmpty()) QVERIFY(picture.save(QDir(folder).filePath("traffic_window.png")));
}

QTEST_MAIN(MonitorDlgTest)
#include "monitor_dlg_test.moc"
