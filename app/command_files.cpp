#include "app/command_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "runtime/file_read.h"

void PrintError(const std::string& what, const std::string& why) {
  std::fprintf(stderr, "telvane: %s: %s\n", what.c_str(), why.c_str());
}

std::string LoadWorkspaceForCommand(const std::string& path, clWorkspace& workspace,
                                    clLoadPurpose purpose) {
  const std::string notWorkspace =
      std::string("not a Telvane workspace (") + kUnexpectedFileFormat + ")";
  std::vector<uint8_t> bytes;
  const clFileReadResult read = ReadRegularFile(path, kMaxWorkspaceFileBytes, bytes);
  if (read.tooLarge) return notWorkspace;
  if (!read.Ok()) return read.Reason(kMaxWorkspaceFileBytes);
  if (!LoadWorkspaceBytes(bytes.data(), bytes.size(), workspace, purpose).empty())
    return notWorkspace;
  return "";
}

std::string SaveTargetProblem(const std::string& path) {
  if (path.empty()) return std::strerror(ENOENT);
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  const std::string folder = parent.empty() ? "." : parent.string();
  std::error_code error;
  const auto status = std::filesystem::status(folder, error);
  if (error) return folder + ": " + error.message();
  if (!std::filesystem::is_directory(status)) return folder + ": " + std::strerror(ENOTDIR);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return folder + ": " + std::strerror(errno);
  if (std::filesystem::is_directory(path, error)) return std::strerror(EISDIR);
  return "";
}
