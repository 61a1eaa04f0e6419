#include "ui/startup/desktop_main.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

#include "model/workspace.h"
#include "ui/mainframe/desktop_user.h"
#include "ui/mainframe/main_frame.h"
#include "ui/options/options.h"
#include "ui/startup/display_probe.h"
#include "ui/startup/startup.h"
#include "ui/tree/tree_item.h"

namespace {

struct DesktopArgs {
  CStartupRequest request;
  QString screenshot;  // write the window to this PNG and end
};

bool IsOption(const char* arg) { return arg[0] == '-'; }

// argv after the program name; false when they are not the desktop's.
bool ParseDesktopArgs(int argc, char** argv, DesktopArgs* args) {
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "--screenshot") == 0) {
    if (i + 1 >= argc || IsOption(argv[i + 1])) return false;
    args->screenshot = QString::fromLocal8Bit(argv[i + 1]);
    i += 2;
  }
  if (i == argc) return true;
  if (i + 1 != argc) return false;
  if (std::strcmp(argv[i], "--demo") == 0) {
    args->request.demo = true;
    return true;
  }
  if (IsOption(argv[i])) return false;
  args->request.file = QString::fromLocal8Bit(argv[i]);
  return true;
}

// The picture shows a sector's tags when there is one: the first master sector.
void SelectForPicture(CMainFrame& frame) {
  clWorkspace& workspace = frame.Doc().Workspace();
  for (clIEC101MasterDevice* master : *workspace.Masters().Items()) {
    clSector* sector = master->Sectors()->First();
    if (!sector) continue;
    if (QTreeWidgetItem* item = frame.Tree()->ItemOf(sector)) {
      frame.Tree()->setCurrentItem(item);
      return;
    }
  }
  frame.Tree()->setCurrentItem(frame.Tree()->RootItem(clDevice::kMaster));
}

}  // namespace

bool WantsDesktop(int argc, char** argv) {
  DesktopArgs args;
  return ParseDesktopArgs(argc, argv, &args);
}

int RunDesktop(int argc, char** argv) {
  DesktopArgs args;
  if (!ParseDesktopArgs(argc, argv, &args)) return 2;
  if (!args.screenshot.isEmpty()) {
    // Offscreen, unless a platform is named (xcb, to picture a real window).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  } else {
    std::string why;
    if (!DisplayAvailable(&why)) {
      std::fprintf(stderr, "telvane: %s: %s\n", why.c_str(),
                   args.request.demo ? "running the demonstration without a window"
                                     : "the desktop needs a display");
      return args.request.demo ? kDesktopNoDisplay : 1;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Telvane");
  QApplication::setDesktopFileName("telvane");

  COptions options;
  CDesktopUser user;
  CDoc doc(user, options);
  auto frame = std::make_unique<CMainFrame>(doc);
  user.SetParent(frame.get());
  user.Follow(doc);
  user.SetUnattended(!args.screenshot.isEmpty());
  if (!OpenStartupWorkspace(doc, options, args.request)) return 1;
  frame->show();
  RunStartupDevices(doc, options, args.request);

  int code = 0;
  if (!args.screenshot.isEmpty()) {
    SelectForPicture(*frame);
    // After the first refresh tick, so that live values are on show.
    QTimer::singleShot(CMainFrame::kRefreshMs + 250, &app, [&] {
      if (!frame->grab().save(args.screenshot, "PNG")) {
        std::fprintf(stderr, "telvane: cannot write '%s'\n", qPrintable(args.screenshot));
        code = 1;
      }
      // exit(), not quit(): quit() would ask the window to close, which asks the user.
      QCoreApplication::exit(code);
    });
  }
  const int loop = app.exec();
  // Devices stop and views let go before the windows are destroyed.
  doc.Shutdown();
  frame.reset();
  return code != 0 ? code : loop;
}
