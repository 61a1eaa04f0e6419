#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Why a whole-file read failed; all clear when it succeeded.
struct clFileReadResult {
  int error = 0;            // errno of a failed open or read
  bool notRegular = false;  // a directory, FIFO, device...
  bool tooLarge = false;    // more than the allowed size
  bool Ok() const { return error == 0 && !notRegular && !tooLarge; }
  // The reason as a user reads it: the system's text, "Is a directory", "not a
  // regular file", "larger than N bytes"; "" when the read succeeded.
  std::string Reason(size_t maxBytes) const;
};

// Reads the whole regular file at path into bytes, at most maxBytes of it. The
// file is opened without blocking, so that naming a FIFO by mistake cannot wait
// for a writer; anything but a regular file is refused.
clFileReadResult ReadRegularFile(const std::string& path, size_t maxBytes,
                                 std::vector<uint8_t>& bytes);
