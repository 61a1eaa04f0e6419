// JSON workspace descriptions from anywhere (--build): the reader must accept or
// refuse any text without crashing, hanging or running out of memory; a refusal
// leaves the workspace as it was. What it accepts must come back unchanged
// through the dump: description → workspace → JSON → workspace gives the same
// file. The same octets read as a workspace file, when they are one, must come
// back byte for byte through their dump too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/fuzz_entries.h"
#include "json/workspace_json.h"
#include "model/workspace.h"
#include "model/workspace_file.h"

namespace {

void RoundTrip(const clWorkspace& workspace) {
  const auto bytes = WorkspaceToBytes(workspace);
  clWorkspace again;
  if (!WorkspaceFromJson(WorkspaceToJson(workspace), again).empty()) std::abort();
  if (WorkspaceToBytes(again) != bytes) std::abort();
}

}  // namespace

int FuzzJson(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  clWorkspace built;
  const std::string error = WorkspaceFromJson(text, built);
  if (error.empty()) {
    RoundTrip(built);
  } else if (WorkspaceToBytes(built) != WorkspaceToBytes(clWorkspace())) {
    std::abort();
  }
  clWorkspace file;
  if (LoadWorkspaceBytes(data, size, file, clLoadPurpose::kInspect).empty()) RoundTrip(file);
  return 0;
}

TELVANE_FUZZ_ENTRY(FuzzJson)
