#include "runtime/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::string clFileReadResult::Reason(size_t maxBytes) const {
  if (error != 0) return std::strerror(error);
  if (notRegular) return "not a regular file";
  if (tooLarge) return "larger than " + std::to_string(maxBytes) + " bytes";
  return "";
}

clFileReadResult ReadRegularFile(const std::string& path, size_t maxBytes,
                                 std::vector<uint8_t>& bytes) {
  clFileReadResult result;
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    result.error = errno;
  } else if (S_ISDIR(info.st_mode)) {
    result.error = EISDIR;
  } else if (!S_ISREG(info.st_mode)) {
    result.notRegular = true;
  }
  uint8_t chunk[65536];
  while (result.Ok()) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) result.error = errno;
    if (n <= 0) break;
    if (bytes.size() + static_cast<size_t>(n) > maxBytes) {
      result.tooLarge = true;
      break;
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  ::close(fd);
  return result;
}
