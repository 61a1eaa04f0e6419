// Workspace files from anywhere: the reader must reject or accept any byte string
// without crashing, hanging or running out of memory, and a rejected file must leave
// the current workspace as it was. An accepted file is written back and must read
// again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_entries.h"
#include "model/workspace.h"
#include "model/workspace_file.h"

int FuzzWorkspace(const uint8_t* data, size_t size) {
  static const std::vector<uint8_t> kNewWorkspace = [] {
    clWorkspace ws;
    ws.InitNew();
    return WorkspaceToBytes(ws);
  }();
  clWorkspace current;
  current.InitNew();
  const std::string result = LoadWorkspaceBytes(data, size, current);
  if (!result.empty()) {
    if (result != kUnexpectedFileFormat || WorkspaceToBytes(current) != kNewWorkspace) std::abort();
    return 0;
  }
  const auto saved = WorkspaceToBytes(current);
  clWorkspace again;
  if (!LoadWorkspaceBytes(saved.data(), saved.size(), again).empty()) std::abort();
  if (WorkspaceToBytes(again) != saved) std::abort();
  return 0;
}

TELVANE_FUZZ_ENTRY(FuzzWorkspace)
