// The workspace list's costs on the user-interface thread, on Qt's offscreen
// platform, in the main window as the program shows it:
// - one refresh tick of a master sector of 10,000 tags whose values changed
//   since the last tick (some of them, or every one), as a running device
//   leaves them: the hint, the list's comparison, the signals and the repaint;
//   and the same tick while another thread goes on changing every value;
// - the first fill of that table when its sector is selected;
// - the memory the list takes for a sector of 100,000 tags.
// CPU times are the user-interface thread's alone.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <QApplication>
#include <QHeaderView>
#include <QTemporaryDir>

#include "bench/desktop_bench_main.h"
#include "model/workspace.h"
#include "ui/document/doc.h"
#include "ui/list/item_list.h"
#include "ui/list/item_table.h"
#include "ui/mainframe/desktop_user.h"
#include "ui/mainframe/main_frame.h"
#include "ui/options/options.h"

namespace {

QTemporaryDir* folder = nullptr;

// The window over a document whose questions all answer Yes, with one master
// holding one sector of `tags` tags of every monitored type.
struct Desktop {
  explicit Desktop(int32_t tags) {
    clWorkspace& ws = doc.Workspace();
    master = ws.CommitDevice(ws.NewMaster());
    auto proposal = ws.NewSector(*master);
    sector = proposal.object.get();
    ws.CommitSector(*master, std::move(proposal.object));
    for (int32_t i = 0; i < tags; ++i) {
      auto tag = ws.NewTag(*master).object;
      tag->SetIoa(i + 1);
      tag->SetType(1 + i % 7);
      tag->SetQuality(0);
      sector->Tags().Append(std::move(tag));  // names already ascend
    }
    frame.show();
    QCoreApplication::processEvents();
  }
  ~Desktop() { doc.Shutdown(); }
  void ShowNow() {
    frame.List()->View()->viewport()->repaint();
    QCoreApplication::processEvents();
  }
  // What a running master does between two ticks: new values and times.
  void Change(int32_t every, int32_t round) {
    const auto tags = sector->Tags().Items();
    const clTimeStamp now{2024, 6, 1, 12, 0, round % 60, round % 1000};
    for (size_t i = 0; i < tags.size(); i += static_cast<size_t>(every)) {
      tags[i]->SetRawValue(round + static_cast<double>(i));
      tags[i]->SetTimeStamp(now);
      tags[i]->SetCause(3);
    }
  }

  COptions options{folder->filePath("Telvane.conf")};
  CDesktopUser user;
  CDoc doc{user, options};
  CMainFrame frame{doc};
  clDevice* master = nullptr;
  clSector* sector = nullptr;
};

constexpr int32_t kSectorTags = 10000;

// Arg: one tag in how many changed between two ticks (1: every tag); a second
// arg of 1 sorts the view by the value column first.
void BM_ListRefresh10kTags(benchmark::State& state) {
  Desktop desktop(kSectorTags);
  desktop.doc.SelectSector(desktop.sector);
  if (state.range(1) == 1) desktop.frame.List()->View()->sortByColumn(4, Qt::AscendingOrder);
  desktop.ShowNow();
  int32_t round = 0;
  int64_t changed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    desktop.Change(static_cast<int32_t>(state.range(0)), ++round);
    state.ResumeTiming();
    desktop.doc.Refresh();
    desktop.ShowNow();
    changed += kSectorTags / state.range(0);
  }
  state.counters["rows_changed"] =
      benchmark::Counter(static_cast<double>(changed), benchmark::Counter::kAvgIterations);
}

// The same tick while a worker thread keeps changing every tag's value, time
// and cause, as a running device does between and during ticks: the reads race
// the writes on the tags' fields and time-stamp locks.
void BM_ListRefresh10kTagsWhileChanging(benchmark::State& state) {
  Desktop desktop(kSectorTags);
  desktop.doc.SelectSector(desktop.sector);
  desktop.ShowNow();
  std::atomic<bool> stop{false};
  std::thread device([&] {
    for (int32_t round = 1; !stop.load(std::memory_order_relaxed); ++round) {
      desktop.Change(1, round);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  for (auto _ : state) {
    desktop.doc.Refresh();
    desktop.ShowNow();
  }
  stop = true;
  device.join();
}

// Selecting the sector until its table has painted, from the device table.
void BM_ListFirstFill10kTags(benchmark::State& state) {
  Desktop desktop(kSectorTags);
  for (auto _ : state) {
    state.PauseTiming();
    desktop.doc.SelectRoot(clDevice::kMaster);
    desktop.ShowNow();
    state.ResumeTiming();
    desktop.doc.SelectSector(desktop.sector);
    desktop.ShowNow();
  }
}

// Heap in use, large blocks (which the allocator maps on their own) included.
double HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks) + static_cast<double>(info.hblkhd);
}

// The heap the list's table of 100,000 tags holds, beyond the tags themselves.
void BM_ListMemory100kTags(benchmark::State& state) {
  constexpr int32_t kTags = 100000;
  Desktop desktop(kTags);
  double bytes = 0;
  for (auto _ : state) {
    desktop.doc.SelectRoot(clDevice::kMaster);
    desktop.ShowNow();
    malloc_trim(0);
    const double before = HeapInUse();
    desktop.doc.SelectSector(desktop.sector);
    desktop.ShowNow();
    bytes = HeapInUse() - before;
  }
  state.counters["view_MB"] = bytes / (1024.0 * 1024.0);
  state.counters["bytes_per_tag"] = bytes / kTags;
}

}  // namespace

BENCHMARK(BM_ListRefresh10kTags)
    ->Args({100, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);
BENCHMARK(BM_ListRefresh10kTagsWhileChanging)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ListFirstFill10kTags)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ListMemory100kTags)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) { return RunDesktopBenchmarks(argc, argv, folder); }
