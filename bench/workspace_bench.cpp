// Workspace file cost: encoding and decoding in memory, and saving and loading through
// the file system, for workspaces of 1,000 to 100,000 tags. Complexity is fitted to N.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "bench/bench_workspace.h"
#include "json/workspace_json.h"
#include "model/workspace.h"
#include "model/workspace_file.h"

namespace {

std::string TempPath() {
  return (std::filesystem::temp_directory_path() /
          ("telvane-bench-" + std::to_string(::getpid()) + ".cf1"))
      .string();
}

void BM_EncodeWorkspace(benchmark::State& state) {
  clWorkspace ws;
  BuildWorkspace(ws, state.range(0));
  size_t bytes = 0;
  for (auto _ : state) {
    auto encoded = WorkspaceToBytes(ws);
    bytes = encoded.size();
    benchmark::DoNotOptimize(encoded.data());
  }
  state.counters["fileBytes"] = static_cast<double>(bytes);
  state.SetComplexityN(state.range(0));
}

void BM_DecodeWorkspace(benchmark::State& state) {
  clWorkspace source;
  BuildWorkspace(source, state.range(0));
  const auto bytes = WorkspaceToBytes(source);
  for (auto _ : state) {
    clWorkspace ws;
    if (!LoadWorkspaceBytes(bytes.data(), bytes.size(), ws).empty()) state.SkipWithError("load");
  }
  state.SetComplexityN(state.range(0));
}

void BM_SaveFile(benchmark::State& state) {
  clWorkspace ws;
  BuildWorkspace(ws, state.range(0));
  const std::string path = TempPath();
  for (auto _ : state) {
    if (!SaveWorkspaceFile(ws, path).empty()) state.SkipWithError("save");
  }
  std::filesystem::remove(path);
  state.SetComplexityN(state.range(0));
}

void BM_LoadFile(benchmark::State& state) {
  clWorkspace source;
  BuildWorkspace(source, state.range(0));
  const std::string path = TempPath();
  if (!SaveWorkspaceFile(source, path).empty()) state.SkipWithError("save");
  for (auto _ : state) {
    clWorkspace ws;
    if (!LoadWorkspaceFile(path, ws).empty()) state.SkipWithError("load");
  }
  std::filesystem::remove(path);
  state.SetComplexityN(state.range(0));
}

// --dump then --build in memory: the JSON text and the workspace read back from
// it, which must give the file's very bytes.
void BM_JsonRoundTrip(benchmark::State& state) {
  clWorkspace source;
  BuildWorkspace(source, state.range(0));
  const auto bytes = WorkspaceToBytes(source);
  size_t jsonBytes = 0;
  for (auto _ : state) {
    const std::string json = WorkspaceToJson(source);
    jsonBytes = json.size();
    clWorkspace built;
    if (!WorkspaceFromJson(json, built).empty()) state.SkipWithError("build");
    if (WorkspaceToBytes(built) != bytes) state.SkipWithError("not byte-identical");
  }
  state.counters["jsonBytes"] = static_cast<double>(jsonBytes);
  state.SetComplexityN(state.range(0));
}

#define TAG_COUNTS ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_EncodeWorkspace) TAG_COUNTS->Complexity(benchmark::oN);
BENCHMARK(BM_DecodeWorkspace) TAG_COUNTS->Complexity(benchmark::oN);
BENCHMARK(BM_SaveFile) TAG_COUNTS->Complexity(benchmark::oN);
BENCHMARK(BM_LoadFile) TAG_COUNTS->Complexity(benchmark::oN);
BENCHMARK(BM_JsonRoundTrip) TAG_COUNTS->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
