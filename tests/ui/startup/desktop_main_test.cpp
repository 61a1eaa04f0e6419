// The program's desktop entry: which command lines open the window, what happens
// without a display, and the picture of the window.
#include <QImage>
#include <QProcess>
#include <QtTest>

#include "tests/ui/ui_test_helpers.h"
#include "ui/startup/desktop_main.h"
#include "ui/startup/display_probe.h"

namespace {

const QString kProgram = QString(TELVANE_BINARY_DIR) + "/app/telvane";

bool Wants(std::vector<std::string> args) {
  args.insert(args.begin(), "telvane");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return WantsDesktop(static_cast<int>(argv.size()), argv.data());
}

// The program run with an environment without any display.
struct Run {
  int code;
  QString out;
  QString err;
};
Run RunWithoutDisplay(const QStringList& args, const QString& config, int timeoutMs = 60000) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  env.insert("XDG_CONFIG_HOME", config);
  process.setProcessEnvironment(env);
  process.start(kProgram, args);
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished();
    return {-1, QString(), QString("still running")};
  }
  return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
          QString::fromLocal8Bit(process.readAllStandardError())};
}

}  // namespace

class DesktopMainTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { IsolateSettings(folder_); }

  void CommandLine_WindowOnlyForItsOwnForms() {
    QVERIFY(Wants({}));
    QVERIFY(Wants({"work.cf1"}));
    QVERIFY(Wants({"--demo"}));
    QVERIFY(Wants({"--screenshot", "out.png"}));
    QVERIFY(Wants({"--screenshot", "out.png", "--demo"}));
    QVERIFY(Wants({"--screenshot", "out.png", "work.cf1"}));
    // Headless forms stay headless.
    QVERIFY(!Wants({"--demo", "--seconds", "1"}));
    QVERIFY(!Wants({"--demo", "--script", "-"}));
    QVERIFY(!Wants({"--headless", "work.cf1"}));
    QVERIFY(!Wants({"--decode"}));
    QVERIFY(!Wants({"--dump", "work.cf1"}));
    QVERIFY(!Wants({"a.cf1", "b.cf1"}));
    QVERIFY(!Wants({"--screenshot"}));
    QVERIFY(!Wants({"--screenshot", "--demo"}));
  }

  void NoDisplay_SaysSoInOneLineAndTheDemoRunsHeadless() {
    std::string why;
    qputenv("DISPLAY", ":99");  // nobody listens there
    qunsetenv("QT_QPA_PLATFORM");
    QVERIFY(!DisplayAvailable(&why));
    QCOMPARE(why, std::string("cannot open display ':99'"));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QVERIFY(DisplayAvailable(&why));

    const QString config = folder_.filePath("run");
    Run window = RunWithoutDisplay({}, config);
    QCOMPARE(window.code, 1);
    QCOMPARE(window.err.count('\n'), 1);
    QVERIFY(window.err.contains("no display"));
    QVERIFY(window.out.isEmpty());

    // The demonstration falls back to printing its traffic; ended by SIGTERM.
    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    env.insert("XDG_CONFIG_HOME", config);
    demo.setProcessEnvironment(env);
    demo.start(kProgram, {"--demo"});
    QVERIFY(demo.waitForStarted());
    QDeadlineTimer deadline(30000);
    QByteArray out;
    while (!out.contains("[Master1]") && !deadline.hasExpired()) {
      demo.waitForReadyRead(100);
      out += demo.readAllStandardOutput();
    }
    demo.terminate();
    QVERIFY(demo.waitForFinished(30000));
    QVERIFY(out.contains("[Master1]"));
    const QString err = QString::fromLocal8Bit(demo.readAllStandardError());
    QVERIFY(err.startsWith("telvane: no display"));
    QVERIFY(err.contains("running the demonstration without a window"));
  }

  void Screenshot_PicturesTheWindowAfterTheFirstRefresh() {
    const QString picture = folder_.filePath("demo.png");
    Run run = RunWithoutDisplay({"--screenshot", picture, "--demo"}, folder_.filePath("shot"));
    QCOMPARE(run.code, 0);
    QImage image(picture);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= 800 && image.height() >= 500);
    Run bad = RunWithoutDisplay({"--screenshot", folder_.filePath("none/x.png"), "--demo"},
                                folder_.filePath("shot"));
    QCOMPARE(bad.code, 1);
    QVERIFY(bad.err.contains("cannot write"));
    // A file that does not load ends the program with its message.
    Run missing = RunWithoutDisplay({"--screenshot", picture, folder_.filePath("none.cf1")},
                                    folder_.filePath("shot"));
    QCOMPARE(missing.code, 1);
    QVERIFY(missing.err.contains("Failed to open document."));
  }

 private:
  QTemporaryDir folder_;
};

QTEST_GUILESS_MAIN(DesktopMainTest)
#include "desktop_main_test.moc"
