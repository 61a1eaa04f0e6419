// Replays every seed and every regression input of each fuzz target through the
// target's own body, built without libFuzzer: a finding, once fixed, stays fixed
// in the normal suite, and the seeds keep reading as the targets expect.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_entries.h"

namespace {

namespace fs = std::filesystem;

struct Target {
  const char* name;
  int (*body)(const uint8_t*, size_t);
};

// Test lists and failures name the target, not its bytes.
void PrintTo(const Target& target, std::ostream* out) { *out << target.name; }

const Target kTargets[] = {
    {"clipboard_fuzz", FuzzClipboard}, {"csv_fuzz", FuzzCsv},
    {"decode_fuzz", FuzzDecode},       {"frame_fuzz", FuzzFrame},
    {"json_fuzz", FuzzJson},           {"ods_fuzz", FuzzOds},
    {"workbook_fuzz", FuzzWorkbook},   {"workspace_fuzz", FuzzWorkspace},
    {"xls_fuzz", FuzzXls},             {"xlsx_fuzz", FuzzXlsx},
};

const fs::path kFuzzDir = fs::path(TELVANE_SOURCE_DIR) / "fuzz";

std::vector<fs::path> FilesIn(const fs::path& dir) {
  std::vector<fs::path> files;
  if (!fs::is_directory(dir)) return files;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file() && entry.path().filename() != "README.md")
      files.push_back(entry.path());
  return files;
}

class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, SeedsAndRegressionsRunClean) {
  const Target& target = GetParam();
  const std::vector<fs::path> seeds = FilesIn(kFuzzDir / "corpus" / target.name);
  EXPECT_FALSE(seeds.empty()) << "no seeds for " << target.name;
  std::vector<fs::path> inputs = seeds;
  for (const fs::path& p : FilesIn(kFuzzDir / "regressions" / target.name)) inputs.push_back(p);
  for (const fs::path& path : inputs) {
    SCOPED_TRACE(path.string());
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    ASSERT_TRUE(in.eof() || in.good());
    // A copy of exactly the file's size, so that a read past the end is caught
    // under AddressSanitizer.
    const auto data = std::make_unique<uint8_t[]>(bytes.size() + (bytes.empty() ? 1 : 0));
    std::copy(bytes.begin(), bytes.end(), data.get());
    EXPECT_EQ(target.body(data.get(), bytes.size()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

// A folder of seeds or regressions that no target replays would be dead weight.
TEST(FuzzReplayFolders, BelongToATarget) {
  std::set<std::string> names;
  for (const Target& t : kTargets) names.insert(t.name);
  for (const char* kind : {"corpus", "regressions"}) {
    for (const auto& entry : fs::directory_iterator(kFuzzDir / kind)) {
      if (!entry.is_directory()) continue;
      EXPECT_TRUE(names.count(entry.path().filename().string()))
          << entry.path() << " belongs to no fuzz target";
    }
  }
}

}  // namespace
