// The traffic window on Qt's offscreen platform: how many records per second it
// formats and appends with trimming at the default text limits, against the
// most records a 115200-baud line can carry (fixed frames); and how late the
// user-interface thread's event loop runs (p99) while the window shows a
// master's 10,000-tag general interrogation at 115200 baud.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/device_runners.h"
#include "bench/desktop_bench_main.h"
#include "bench/interrogation_workspace.h"
#include "master/master_engine.h"
#include "model/workspace.h"
#include "runtime/traffic_drain.h"
#include "ui/traffic/monitor_dlg.h"
#include "ui/traffic/traffic_view.h"

namespace {

constexpr int kTextLength = 25000;  // the settings' defaults
constexpr int kTextCut = 10000;
// A fixed frame is 5 octets of 11 bits: 2095 frames per second at 115200 baud.
constexpr double kLineFramesPerSecond = 115200.0 / (5 * 11);
// Records a window takes per tick when the line is full of fixed frames.
constexpr int kRecordsPerTick =
    static_cast<int>(kLineFramesPerSecond * CMonitorDlg::kFlushMs / 1000) + 1;

// A master's class 2 poll as its window shows it.
clTrafficRecord PollRecord(int n) {
  clTrafficRecord record;
  record.received = n % 2 == 1;
  record.bytes = record.received ? "10 09 01 0A 16" : "10 7B 01 7C 16";
  record.title = record.received ? "No Data Response" : "Class 2 Request";
  record.detail = record.received
                      ? "Link Control: Requested data not available [PRM:0 ACD:0 DFC:0] LinkAdr: 1"
                      : "Link Control: User Data Class 2 [PRM:1 FCV:1 FCB:1] LinkAdr: 1";
  record.secondsOfDay = 12 * 3600 + n / 1000;
  record.milliseconds = n % 1000;
  return record;
}

// Formatting (the drain's share) and appending with trimming and a repaint
// (the window's), per batch of one flush tick.
void BM_TrafficWindowAppendsFixedFrames(benchmark::State& state) {
  CTrafficView view;
  view.resize(CMonitorDlg::kWidth, CMonitorDlg::kHeight);
  view.SetTextLength(kTextLength);
  view.SetTextCut(kTextCut);
  view.show();
  QCoreApplication::processEvents();
  std::vector<clTrafficRecord> records;
  for (int n = 0; n < 2 * kRecordsPerTick; ++n) records.push_back(PollRecord(n));
  const clTrafficFilter filter;
  int64_t appended = 0;
  for (auto _ : state) {
    clTrafficBatch batch;
    for (int i = 0; i < kRecordsPerTick; ++i)
      AppendTrafficFragments(records[static_cast<size_t>((appended + i) % records.size())], filter,
                             &batch);
    view.AppendBatch(batch);
    view.viewport()->repaint();
    appended += kRecordsPerTick;
  }
  QCoreApplication::processEvents();
  if (view.CharacterCount() > kTextLength + 1000) state.SkipWithError("the text was not trimmed");
  state.SetItemsProcessed(appended);
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(appended), benchmark::Counter::kIsRate);
  state.counters["line_frames/s"] = kLineFramesPerSecond;
}

constexpr int kProbeMs = 10;

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
  return values[index];
}

// A master and a slave of 10,000 tags on a virtual line at 115200 baud; the
// master's traffic window captures. A probe timer every 10 ms measures how late
// the event loop comes back to it until the window shows the interrogation's
// termination.
void BM_EventLoopLatencyDuringInterrogationWithWindowOpen(benchmark::State& state) {
  for (auto _ : state) {
    clWorkspace workspace;
    clDevice* masterDevice = BuildInterrogationWorkspace(workspace, 61).first;

    clTrafficDrain drain(masterDevice->Traffic());
    auto window = std::make_unique<CMonitorDlg>(*masterDevice, drain);
    window->SetTextLength(kTextLength);
    window->SetTextCut(kTextCut);
    window->show();
    window->Start();
    QCoreApplication::processEvents();

    clDeviceRunners runners(workspace);
    if (!runners.StartAll().empty()) {
      state.SkipWithError("devices did not start");
      return;
    }
    std::vector<double> lateMs;
    QElapsedTimer clock;
    clock.start();
    qint64 expected = kProbeMs;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(kProbeMs);
    QObject::connect(&probe, &QTimer::timeout, [&] {
      const qint64 now = clock.nsecsElapsed();
      lateMs.push_back(std::max<double>(0, (now - expected * 1000000) / 1e6));
      expected = now / 1000000 + kProbeMs;
    });
    QEventLoop loop;
    bool terminated = false;
    QTimer watch;
    watch.setInterval(200);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (window->View()->toPlainText().contains("<activation termination>")) {
        terminated = true;
        loop.quit();
      }
    });
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    const auto begin = std::chrono::steady_clock::now();
    probe.start();
    watch.start();
    loop.exec();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    runners.StopAll();
    window.reset();
    if (!terminated) {
      state.SkipWithError("the interrogation did not terminate");
      return;
    }
    state.SetIterationTime(seconds);
    state.counters["samples"] = static_cast<double>(lateMs.size());
    state.counters["p50_ms"] = Percentile(lateMs, 0.50);
    state.counters["p99_ms"] = Percentile(lateMs, 0.99);
    state.counters["max_ms"] = lateMs.empty() ? 0 : *std::max_element(lateMs.begin(), lateMs.end());
    state.counters["interrogation_s"] = seconds;
  }
}

}  // namespace

BENCHMARK(BM_TrafficWindowAppendsFixedFrames)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_EventLoopLatencyDuringInterrogationWithWindowOpen)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
  QTemporaryDir* folder = nullptr;
  return RunDesktopBenchmarks(argc, argv, folder);
}
