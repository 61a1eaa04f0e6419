#include "model/workspace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "model/workspace_records.h"

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

// Reads the whole file; false when it cannot be opened or read. `tooLarge` is set
// for files beyond kMaxWorkspaceFileBytes.
bool ReadAll(const std::string& path, std::vector<uint8_t>& bytes, bool& tooLarge) {
  tooLarge = false;
  // Non-blocking, so that opening a FIFO by mistake cannot wait for a writer; the
  // type check below then refuses anything but a regular file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  bytes.clear();
  uint8_t chunk[65536];
  while (true) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<size_t>(n) > kMaxWorkspaceFileBytes) {
      tooLarge = true;
      break;
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  ::close(fd);
  return true;
}

// Creates ".<name>.<pid>.<n>" in `dir` exclusively, with mode 0666 less the umask.
int CreateTemporary(const std::string& dir, const std::string& name, std::string& path) {
  static std::atomic<uint32_t> serial{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = (std::filesystem::path(dir) / ("." + name + "." + std::to_string(::getpid()) + "." +
                                          std::to_string(serial.fetch_add(1))))
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

std::string LoadWorkspaceBytes(const uint8_t* data, size_t size, clWorkspace& workspace) {
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
  workspace.ResolveReferences();
  return "";
}

std::string LoadWorkspaceFile(const std::string& path, clWorkspace& workspace) {
  std::vector<uint8_t> bytes;
  bool tooLarge = false;
  if (!ReadAll(path, bytes, tooLarge)) return kFailedToOpenDocument;
  if (tooLarge) return kUnexpectedFileFormat;
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
  const std::filesystem::path parent = target.parent_path();
  const std::string dir = parent.empty() ? std::string(".") : parent.string();
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
