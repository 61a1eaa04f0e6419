// Reading and importing the most rows a template holds (9,994: rows 6 to 9999)
// from one workbook format: the file read into cells, the rows read from the
// cells, and the import into a slave (links resolved, values set). Prints the
// median and best wall time of the runs, the median processor time (what the
// wall time is on an idle machine: the work is single-threaded), and the
// process's peak resident memory above what it held before the first run (each
// format runs in its own process, so the peak is that format's).
//
//   import_bench FILE [runs=5]
//
// bench/make_import_workbooks.sh writes the workbooks.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "model/tag_import.h"
#include "model/workspace.h"
#include "workbook/workbook_reader.h"

namespace {

// The process's peak resident memory so far, in KiB.
long PeakKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: import_bench FILE [runs=5]\n");
    return 2;
  }
  const std::string path = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const long startKib = PeakKib();
  std::vector<double> read, import, total, cpu;
  size_t rowCount = 0;
  for (int run = 0; run < runs; ++run) {
    const auto begin = std::chrono::steady_clock::now();
    const double cpuBegin = CpuMs();
    clSheetCells cells(kImportRowEnd - 1, kImportColumnCount);
    const std::string error = ReadWorkbookFile(path, cells);
    if (!error.empty()) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
      return 1;
    }
    const auto readEnd = std::chrono::steady_clock::now();
    const std::vector<clImportRow> rows =
        ReadImportRows([&cells](int32_t row, int32_t column) { return cells.Text(row, column); });
    clWorkspace ws;
    clDevice* slave = ws.CommitDevice(ws.NewSlave());
    if (!ImportTags(ws, *slave, rows).empty()) return 1;
    const auto end = std::chrono::steady_clock::now();
    read.push_back(Ms(readEnd - begin));
    import.push_back(Ms(end - readEnd));
    total.push_back(Ms(end - begin));
    cpu.push_back(CpuMs() - cpuBegin);
    rowCount = rows.size();
  }
  if (rowCount != static_cast<size_t>(kImportRowEnd - kImportFirstRow)) {
    std::fprintf(stderr, "%s: %zu rows read, expected %d\n", path.c_str(), rowCount,
                 kImportRowEnd - kImportFirstRow);
    return 1;
  }
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::printf(
      "import %s rows %zu read_ms %.1f import_ms %.1f total_ms %.1f best_ms %.1f "
      "cpu_ms %.1f peak_above_start_kib %ld\n",
      path.c_str(), rowCount, median(read), median(import), median(total),
      *std::min_element(total.begin(), total.end()), median(cpu), PeakKib() - startKib);
  return 0;
}
