#include "app/import_command.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/command_files.h"
#include "app/command_line.h"
#include "app/exit_codes.h"
#include "model/tag_import.h"
#include "model/workspace.h"
#include "model/workspace_file.h"
#include "workbook/workbook_reader.h"

namespace {

// A worksheet row number a template may hold tags in.
bool ParseRowNumber(const std::string& text, int32_t& out) {
  if (text.empty() || text.size() > 5) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  out = std::atoi(text.c_str());
  return out >= kImportFirstRow && out < kImportRowEnd;
}

// The master or slave of that name (without regard to letter case), or the
// reason there is none.
clDevice* FindTarget(clWorkspace& ws, const std::string& name, const std::string& file,
                     std::string& error) {
  clDevice* master = ws.Masters().FindByName(name);
  clDevice* slave = ws.Slaves().FindByName(name);
  if (master && slave) {
    error = "'" + name + "' names both a master and a slave in '" + file + "'";
    return nullptr;
  }
  if (master || slave) return master ? master : slave;
  error = ws.Monitors().FindByName(name)
              ? "'" + name + "' is a monitor; tags are imported into a master or a slave"
              : "no master or slave named '" + name + "' in '" + file + "'";
  return nullptr;
}

}  // namespace

bool ParseImportRowList(const std::string& list, std::set<int32_t>& rows, std::string& error) {
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

int RunImportCommand(const clCommandLine& line) {
  if (line.operands.size() != 3)
    return UsageError(clCommand::kImport,
                      "--import takes a workspace file, a device name and a workbook");
  const std::string& file = line.operands[0];
  const std::string& name = line.operands[1];
  const std::string& workbook = line.operands[2];
  std::set<int32_t> listed;
  const std::string rowsOption = line.Value("--rows");
  const bool allRows = !line.Has("--rows") || rowsOption == "all";
  std::string error;
  if (!allRows && !ParseImportRowList(rowsOption, listed, error))
    return UsageError(clCommand::kImport, error);
  const std::string target = line.Has("--save-as") ? line.Value("--save-as") : file;
  if (const std::string problem = SaveTargetProblem(target); !problem.empty()) {
    PrintError(target, problem);
    return kExitWriteFailed;
  }

  clWorkspace ws;
  error = LoadWorkspaceForCommand(file, ws, clLoadPurpose::kOpen);
  if (!error.empty()) {
    PrintError(file, error);
    return kExitUnreadable;
  }
  clDevice* device = FindTarget(ws, name, file, error);
  if (!device) return UsageError(clCommand::kImport, error);
  clSheetCells cells(kImportRowEnd - 1, kImportColumnCount);
  error = ReadWorkbookFile(workbook, cells);
  if (!error.empty()) {
    PrintError(workbook, error);
    return kExitUnreadable;
  }
  std::vector<clImportRow> rows =
      ReadImportRows([&cells](int32_t row, int32_t column) { return cells.Text(row, column); });
  if (rows.empty()) {
    PrintError(workbook, "no tag rows (a sector in column A from row 6 on): nothing imported");
    return kExitUnreadable;
  }
  if (!allRows) {
    std::vector<clImportRow> chosen;
    for (clImportRow& row : rows) {
      if (listed.erase(row.sheetRow)) chosen.push_back(std::move(row));
    }
    if (!listed.empty())
      return UsageError(clCommand::kImport, "row " + std::to_string(*listed.begin()) + " of '" +
                                                workbook +
                                                "' holds no tag (no sector in "
                                                "column A, or after the end of the tag list)");
    rows = std::move(chosen);
  }
  error = ImportTags(ws, *device, rows);
  if (!error.empty()) {
    PrintError(device->Name(), error);
    return kExitUsage;
  }
  RemoveStaleSaveTemporaries(target);
  error = SaveWorkspaceFile(ws, target);
  if (!error.empty()) {
    PrintError(target, error);
    return kExitWriteFailed;
  }
  std::printf("imported %zu tags in %zu sectors into %s from %s; saved %s\n", rows.size(),
              device->Sectors()->Count(), device->Name().c_str(), workbook.c_str(), target.c_str());
  return std::fflush(stdout) == 0 ? kExitOk : kExitWriteFailed;
}
