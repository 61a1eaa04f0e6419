#include "model/workspace_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "model/workspace_records.h"
#include "runtime/file_read.h"

namespace {

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// The folder a save to `target` writes its temporary file in.
std::string SaveFolder(const std::filesystem::path& target) {
  const std::filesystem::path parent = target.parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// Saves write ".<name>.<pid>.<n>" beside the target; the part up to the pid.
std::string TemporaryPrefix(const std::string& name) { return "." + name + "."; }

// Creates ".<name>.<pid>.<n>" in `dir` exclusively, with mode 0666 less the umask.
int CreateTemporary(const std::string& dir, const std::string& name, std::string& path) {
  static std::atomic<uint32_t> serial{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = (std::filesystem::path(dir) / (TemporaryPrefix(name) + std::to_string(::getpid()) +
                                          "." + std::to_string(serial.fetch_add(1))))
               .string();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void SyncDirectory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::vector<uint8_t> WorkspaceToBytes(const clWorkspace& workspace) {
  clArchiveWriter out;
  WriteWorkspaceRecord(out, workspace);
  return out.TakeBytes();
}

std::string LoadWorkspaceBytes(const uint8_t* data, size_t size, clWorkspace& workspace,
                               clLoadPurpose purpose) {
  clWorkspace fresh;
  try {
    clArchiveReader in(data, size);
    ReadWorkspaceRecord(in, fresh);
  } catch (const clArchiveError&) {
    return kUnexpectedFileFormat;
  } catch (const std::bad_alloc&) {
    return kUnexpectedFileFormat;
  }
  workspace.Swap(fresh);
  if (purpose == clLoadPurpose::kOpen) workspace.ResolveReferences();
  return "";
}

std::string LoadWorkspaceFile(const std::string& path, clWorkspace& workspace) {
  std::vector<uint8_t> bytes;
  const clFileReadResult read = ReadRegularFile(path, kMaxWorkspaceFileBytes, bytes);
  if (read.tooLarge) return kUnexpectedFileFormat;
  if (!read.Ok()) return kFailedToOpenDocument;
  return LoadWorkspaceBytes(bytes.data(), bytes.size(), workspace);
}

std::string SaveWorkspaceFile(const clWorkspace& workspace, const std::string& path) {
  const std::vector<uint8_t> bytes = WorkspaceToBytes(workspace);
  std::filesystem::path target(path);
  // Saving through a symbolic link replaces the file it points to, not the link.
  std::error_code error;
  if (std::filesystem::is_symlink(target, error)) {
    const auto resolved = std::filesystem::canonical(target, error);
    if (error) return kFailedToSaveDocument;
    target = resolved;
  }
  const std::string dir = SaveFolder(target);
  std::string temp;
  const int fd = CreateTemporary(dir, target.filename().string(), temp);
  if (fd < 0) return kFailedToSaveDocument;
  // The new file gets the mode (umask applied) of a freshly created one, or keeps
  // the permissions of the file it replaces.
  struct stat info {};
  const bool keepMode = ::stat(target.c_str(), &info) == 0;
  bool ok = (!keepMode || ::fchmod(fd, info.st_mode & 07777) == 0) &&
            WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return kFailedToSaveDocument;
  }
  SyncDirectory(dir);
  return "";
}

int RemoveStaleSaveTemporaries(const std::string& path) {
  const std::filesystem::path target(path);
  const std::string prefix = TemporaryPrefix(target.filename().string());
  std::error_code error;
  std::filesystem::directory_iterator entries(SaveFolder(target), error);
  if (error) return 0;
  int removed = 0;
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    // The rest is "<pid>.<n>", both decimal.
    const std::string rest = name.substr(prefix.size());
    const size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string::npos || dot + 1 == rest.size() ||
        rest.find_first_not_of("0123456789.") != std::string::npos ||
        rest.find('.', dot + 1) != std::string::npos || dot > 9)
      continue;
    const pid_t pid = static_cast<pid_t>(std::stol(rest.substr(0, dot)));
    // A process that still exists (ours, or one we may not signal) keeps its file.
    if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    if (!entry.is_regular_file(error)) continue;
    if (std::filesystem::remove(entry.path(), error)) ++removed;
  }
  return removed;
}
