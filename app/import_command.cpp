#include "app/import_command.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/tag_import.h"
#include "model/workspace.h"
#include "model/workspace_file.h"
#include "workbook/workbook_reader.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitUnreadable = 3;

void ImportUsage() {
  std::fprintf(stderr,
               "usage: telvane --import FILE.cf1 DEVICE WORKBOOK [--rows all|LIST] "
               "[--save-as OUT.cf1]\n");
}

// A worksheet row number a template may hold tags in.
bool ParseRowNumber(const std::string& text, int32_t& out) {
  if (text.empty() || text.size() > 5) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  out = std::atoi(text.c_str());
  return out >= kImportFirstRow && out < kImportRowEnd;
}

// "6,8,10-20" into row numbers.
bool ParseRowList(const std::string& list, std::set<int32_t>& rows, std::string& error) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    const std::string item = list.substr(start, end - start);
    const size_t dash = item.find('-');
    int32_t first = 0, last = 0;
    const bool ok = dash == std::string::npos
                        ? ParseRowNumber(item, first) && ParseRowNumber(item, last)
                        : ParseRowNumber(item.substr(0, dash), first) &&
                              ParseRowNumber(item.substr(dash + 1), last) && first <= last;
    if (!ok) {
      error = "bad row list '" + list + "': rows are numbers from " +
              std::to_string(kImportFirstRow) + " to " + std::to_string(kImportRowEnd - 1) +
              ", or ranges of them, separated by commas";
      return false;
    }
    for (int32_t row = first; row <= last; ++row) rows.insert(row);
    start = end + 1;
  }
  return true;
}

// The master or slave of that name (without regard to letter case), or the
// reason there is none.
clDevice* FindTarget(clWorkspace& ws, const clImportOptions& options, std::string& error) {
  clDevice* master = ws.Masters().FindByName(options.device);
  clDevice* slave = ws.Slaves().FindByName(options.device);
  if (master && slave) {
    error = "'" + options.device + "' names both a master and a slave in '" + options.workspace +
            "'; rename one of them";
    return nullptr;
  }
  if (master || slave) return master ? master : slave;
  error = ws.Monitors().FindByName(options.device)
              ? "'" + options.device + "' is a monitor; tags are imported into a master or a slave"
              : "no master or slave named '" + options.device + "' in '" + options.workspace + "'";
  return nullptr;
}

}  // namespace

bool ParseImportOptions(int argc, char** argv, clImportOptions& options, std::string& error) {
  std::vector<std::string> positional;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rows" || arg == "--save-as") {
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return false;
      }
      const std::string value = argv[++i];
      if (arg == "--save-as") {
        options.saveAs = value;
      } else if (value == "all") {
        options.allRows = true;
        options.rows.clear();
      } else {
        options.allRows = false;
        options.rows.clear();
        if (!ParseRowList(value, options.rows, error)) return false;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option '" + arg + "'";
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 3) {
    error = "--import needs a workspace file, a device name and a workbook";
    return false;
  }
  options.workspace = positional[0];
  options.device = positional[1];
  options.workbook = positional[2];
  return true;
}

int RunImportCommand(int argc, char** argv) {
  clImportOptions options;
  std::string error;
  if (!ParseImportOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "telvane: %s\n", error.c_str());
    ImportUsage();
    return kExitUsage;
  }
  clWorkspace ws;
  error = LoadWorkspaceFile(options.workspace, ws);
  if (!error.empty()) {
    std::fprintf(stderr, "telvane: cannot open workspace '%s': %s\n", options.workspace.c_str(),
                 error.c_str());
    return kExitUnreadable;
  }
  clDevice* device = FindTarget(ws, options, error);
  if (!device) {
    std::fprintf(stderr, "telvane: %s\n", error.c_str());
    return kExitUsage;
  }
  clSheetCells cells(kImportRowEnd - 1, kImportColumnCount);
  error = ReadWorkbookFile(options.workbook, cells);
  if (!error.empty()) {
    std::fprintf(stderr, "telvane: %s\n", error.c_str());
    return kExitUnreadable;
  }
  std::vector<clImportRow> rows =
      ReadImportRows([&cells](int32_t row, int32_t column) { return cells.Text(row, column); });
  if (!options.allRows) {
    std::set<int32_t> missing = options.rows;
    std::vector<clImportRow> chosen;
    for (clImportRow& row : rows) {
      if (missing.erase(row.sheetRow)) chosen.push_back(std::move(row));
    }
    if (!missing.empty()) {
      std::fprintf(stderr,
                   "telvane: row %d of '%s' holds no tag (no sector in column A, or "
                   "after the end of the tag list)\n",
                   *missing.begin(), options.workbook.c_str());
      return kExitUsage;
    }
    rows = std::move(chosen);
  }
  error = ImportTags(ws, *device, rows);
  if (!error.empty()) {
    std::fprintf(stderr,
                 "telvane: nothing imported into '%s': %s (the workbook '%s' has no tag rows)\n",
                 device->Name().c_str(), error.c_str(), options.workbook.c_str());
    return kExitFailed;
  }
  const std::string target = options.saveAs.empty() ? options.workspace : options.saveAs;
  error = SaveWorkspaceFile(ws, target);
  if (!error.empty()) {
    std::fprintf(stderr, "telvane: cannot save '%s': %s\n", target.c_str(), error.c_str());
    return kExitFailed;
  }
  std::printf("imported %zu tags in %zu sectors into %s from %s; saved %s\n", rows.size(),
              device->Sectors()->Count(), device->Name().c_str(), options.workbook.c_str(),
              target.c_str());
  return std::fflush(stdout) == 0 ? 0 : kExitFailed;
}
