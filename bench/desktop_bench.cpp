// The desktop's costs on the user-interface thread, on Qt's offscreen platform:
// opening a workspace of 100,000 tags until its tree is shown, against loading the
// file alone, and one refresh tick of the main window with the demonstration
// running.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "bench/bench_workspace.h"
#include "bench/desktop_bench_main.h"
#include "model/workspace_file.h"
#include "ui/document/doc.h"
#include "ui/mainframe/desktop_user.h"
#include "ui/mainframe/main_frame.h"
#include "ui/options/options.h"
#include "ui/tree/tree_item.h"

namespace {

constexpr int64_t kTags = 100000;

QTemporaryDir* folder = nullptr;

QString WorkspacePath() {
  static const QString path = [] {
    QString p = folder->filePath("bench.cf1");
    clWorkspace ws;
    BuildWorkspace(ws, kTags);
    SaveWorkspaceFile(ws, p.toStdString());
    return p;
  }();
  return path;
}

// The window as the program shows it, over a document whose questions all
// answer Yes.
struct Desktop {
  COptions options{folder->filePath("Telvane.conf")};
  CDesktopUser user;
  CDoc doc{user, options};
  CMainFrame frame{doc};
  Desktop() {
    frame.show();
    QCoreApplication::processEvents();
  }
  ~Desktop() { doc.Shutdown(); }
};

void ShowNow(CMainFrame& frame) {
  frame.Tree()->viewport()->repaint();
  QCoreApplication::processEvents();
}

void BM_LoadFile100kTags(benchmark::State& state) {
  const std::string path = WorkspacePath().toStdString();
  for (auto _ : state) {
    clWorkspace ws;
    benchmark::DoNotOptimize(LoadWorkspaceFile(path, ws));
    state.PauseTiming();
    ws.Clear();
    state.ResumeTiming();
  }
}

// "Open" from an empty document until the tree has painted the workspace.
void BM_OpenToTreeShown100kTags(benchmark::State& state) {
  Desktop desktop;
  const QString path = WorkspacePath();
  for (auto _ : state) {
    desktop.doc.OpenFile(path);
    ShowNow(desktop.frame);
    state.PauseTiming();
    desktop.doc.NewWorkspace();
    ShowNow(desktop.frame);
    state.ResumeTiming();
  }
}

// One tick of the refresh timer with the demonstration's devices running and a
// master sector selected: the hint to every view and the repaint it causes.
// The CPU time is the user-interface thread's alone.
void BM_RefreshTickDemoRunning(benchmark::State& state) {
  Desktop desktop;
  desktop.doc.OpenDemo();
  desktop.doc.Run(CCommand::kStartAll);
  clDevice* master = desktop.doc.Workspace().Masters().Items()->front();
  desktop.frame.Tree()->setCurrentItem(desktop.frame.Tree()->ItemOf(master->Sectors()->First()));
  ShowNow(desktop.frame);
  for (auto _ : state) {
    desktop.doc.Refresh();
    ShowNow(desktop.frame);
  }
  desktop.doc.Run(CCommand::kStopAll);
}

}  // namespace

BENCHMARK(BM_LoadFile100kTags)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_OpenToTreeShown100kTags)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_RefreshTickDemoRunning)->Unit(benchmark::kMicrosecond)->MinTime(2);

int main(int argc, char** argv) { return RunDesktopBenchmarks(argc, argv, folder); }
