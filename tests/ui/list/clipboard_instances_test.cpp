// Copy in one running program and paste in another: two processes of this test
// on one X display (Xvfb), the first holding the clipboard, the second pasting
// from it through the desktop's real clipboard.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <cstdio>

#include "model/workspace.h"
#include "tests/ui/ui_test_helpers.h"
#include "ui/list/item_list.h"
#include "ui/list/item_table.h"

namespace {

constexpr const char* kCopyMode = "--copy-masters";
constexpr const char* kPasteMode = "--paste-masters";
constexpr int kWaitMs = 20000;

// The other instance's side: one master of two tags, copied, and the clipboard
// held until the parent ends this process.
int CopyMasters(int argc, char** argv) {
  QApplication app(argc, argv);
  CDocFixture f;
  CItemList list(*f.doc, nullptr);
  clDevice* master = f.AddDevice(clDevice::kMaster, "COM1", "Remote1");
  auto tag = f.doc->Workspace().NewTag(*master);
  f.doc->Workspace().CommitTag(*master, *master->Sectors()->First(), std::move(tag.object));
  f.doc->SelectRoot(clDevice::kMaster);
  list.View()->selectAll();
  f.doc->Run(CCommand::kCopy);
  std::printf("copied\n");
  std::fflush(stdout);
  QTimer::singleShot(kWaitMs, &app, &QCoreApplication::quit);
  return app.exec();
}

// This instance's side: a workspace with a master of the same name, a paste
// on the master root, and what the workspace then holds.
int PasteMasters(int argc, char** argv) {
  QApplication app(argc, argv);
  CDocFixture f;
  CItemList list(*f.doc, nullptr);
  f.AddDevice(clDevice::kMaster, "COM1", "Remote1");
  f.doc->SelectRoot(clDevice::kMaster);
  // The other instance owns the clipboard once it said so; asking is a round
  // trip to it over the display.
  const QString format = ClipFormat(clClipKind::kMasterDevices);
  QDeadlineTimer deadline(kWaitMs);
  while (!QGuiApplication::clipboard()->mimeData()->hasFormat(format) && !deadline.hasExpired())
    QTest::qWait(50);
  f.doc->Run(CCommand::kPaste);
  for (const QString& told : f.user.told) std::printf("told: %s\n", qPrintable(told));
  for (const clDevice* master : *f.doc->Workspace().Masters().Items()) {
    const clSector* sector = master->Sectors()->First();
    std::printf("%s id %d: %zu tags\n", master->Name().c_str(), master->Id(),
                sector ? sector->Tags().Count() : size_t{0});
  }
  // Before the exit handlers: a sanitizer's report at exit ends without flushing.
  std::fflush(stdout);
  return 0;
}

}  // namespace

class ClipboardInstancesTest : public QObject {
  Q_OBJECT

 private slots:
  void PasteFromAnotherRunningInstance();
};

void ClipboardInstancesTest::PasteFromAnotherRunningInstance() {
  const QString xvfb = QStandardPaths::findExecutable("Xvfb");
  if (xvfb.isEmpty()) QSKIP("Xvfb is not installed");
  QProcess server;
  // Xvfb picks a free display and writes its number to the descriptor given.
  server.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
  QVERIFY(server.waitForStarted(kWaitMs));
  QVERIFY(server.waitForReadyRead(kWaitMs));
  const QString display = ":" + QString::fromLatin1(server.readAllStandardOutput()).trimmed();

  QTemporaryDir settings;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "xcb");
  env.insert("DISPLAY", display);
  env.insert("XDG_CONFIG_HOME", settings.filePath("config"));
  // On X11, Qt keeps a D-Bus connection until exit; the children's leaks are not
  // what this test is about (the in-process tests check ours).
  env.insert("LSAN_OPTIONS", "detect_leaks=0");
  const QString self = QCoreApplication::applicationFilePath();
  QProcess source;
  source.setProcessEnvironment(env);
  source.start(self, {kCopyMode});
  QVERIFY(source.waitForStarted(kWaitMs));
  QDeadlineTimer deadline(kWaitMs);
  while (!source.canReadLine() && !deadline.hasExpired()) source.waitForReadyRead(100);
  QCOMPARE(source.readLine().trimmed(), QByteArray("copied"));

  QProcess target;
  target.setProcessEnvironment(env);
  target.start(self, {kPasteMode});
  QVERIFY(target.waitForFinished(kWaitMs));
  const QString out = QString::fromLocal8Bit(target.readAllStandardOutput());
  const QByteArray errors = target.readAllStandardError();
  source.kill();
  source.waitForFinished(kWaitMs);
  server.kill();
  server.waitForFinished(kWaitMs);
  // The pasted master takes the next identity of this workspace and a copy name.
  QVERIFY2(out == "Copy Remote1 id 2: 2 tags\nRemote1 id 1: 1 tags\n",
           qPrintable(out + "\n" + QString::fromLocal8Bit(errors)));
  QCOMPARE(target.exitCode(), 0);
}

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], kCopyMode) == 0) return CopyMasters(argc, argv);
  if (argc == 2 && std::strcmp(argv[1], kPasteMode) == 0) return PasteMasters(argc, argv);
  QCoreApplication app(argc, argv);
  ClipboardInstancesTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "clipboard_instances_test.moc"
