#include "app/dump_command.h"

#include <cstdio>

#include "app/command_files.h"
#include "app/command_line.h"
#include "app/exit_codes.h"
#include "json/workspace_json.h"
#include "model/workspace.h"

int RunDumpCommand(const clCommandLine& line) {
  if (line.operands.size() != 1)
    return UsageError(clCommand::kDump, "--dump takes one workspace file");
  const std::string& file = line.operands[0];
  clWorkspace workspace;
  const std::string error = LoadWorkspaceForCommand(file, workspace, clLoadPurpose::kInspect);
  if (!error.empty()) {
    PrintError(file, error);
    return kExitUnreadable;
  }
  const std::string json = WorkspaceToJson(workspace);
  std::fwrite(json.data(), 1, json.size(), stdout);
  return std::fflush(stdout) == 0 ? kExitOk : kExitWriteFailed;
}
