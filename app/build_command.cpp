#include "app/build_command.h"

#include <vector>

#include "app/command_files.h"
#include "app/command_line.h"
#include "app/exit_codes.h"
#include "json/workspace_json.h"
#include "model/workspace.h"
#include "model/workspace_file.h"
#include "runtime/file_read.h"

int RunBuildCommand(const clCommandLine& line) {
  if (line.operands.size() != 1)
    return UsageError(clCommand::kBuild, "--build takes one JSON file");
  const std::string out = line.Value("--save-as");
  if (out.empty()) return UsageError(clCommand::kBuild, "--build needs --save-as OUT.cf1");
  const std::string& file = line.operands[0];
  std::vector<uint8_t> bytes;
  const clFileReadResult read = ReadRegularFile(file, kMaxWorkspaceJsonBytes, bytes);
  if (!read.Ok()) {
    PrintError(file, read.Reason(kMaxWorkspaceJsonBytes));
    return kExitUnreadable;
  }
  clWorkspace workspace;
  const std::string error = WorkspaceFromJson(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), workspace);
  if (!error.empty()) {
    PrintError(file, error);
    return kExitUnreadable;
  }
  std::string saveError = SaveTargetProblem(out);
  if (saveError.empty()) {
    RemoveStaleSaveTemporaries(out);
    saveError = SaveWorkspaceFile(workspace, out);
  }
  if (!saveError.empty()) {
    PrintError(out, saveError);
    return kExitWriteFailed;
  }
  return kExitOk;
}
