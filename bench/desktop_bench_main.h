#pragma once
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

// The main of a desktop benchmark: the offscreen platform, and settings in a
// scratch folder (lent to `folder` while the benchmarks run, for their files)
// instead of the user's own.
inline int RunDesktopBenchmarks(int argc, char** argv, QTemporaryDir*& folder) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir settings;
  folder = &settings;
  qputenv("XDG_CONFIG_HOME", settings.filePath("config").toLocal8Bit());
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  folder = nullptr;
  return 0;
}
