#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct zip;

// A zip archive held in memory (the packaging of .xlsx and .ods workbooks),
// opened with the library's consistency checks. Entries are read in pieces and
// counted as they come out, so a small archive that unpacks to gigabytes stops
// at the reader's limit instead of filling memory. Every failure is a reason
// the caller can show after "cannot read workbook '...': ".
class clZipArchive {
 public:
  clZipArchive() = default;
  ~clZipArchive();
  clZipArchive(const clZipArchive&) = delete;
  clZipArchive& operator=(const clZipArchive&) = delete;

  // The bytes must stay alive and unchanged while the archive is open.
  std::string Open(const uint8_t* data, size_t size);
  // Whether an entry of that name exists (names compare without regard to case,
  // as the packaging conventions of both formats ask).
  bool Has(std::string_view name) const;

  // Hands the entry's uncompressed bytes to `sink` piece by piece. Stops with a
  // reason when the entry is missing, encrypted, damaged, or unpacks to more than
  // `limit` bytes. When `sink` returns false, reading stops and "" is returned:
  // the sink has what it wanted, or keeps its own reason.
  using Sink = std::function<bool(const char* data, size_t size)>;
  std::string Read(std::string_view name, size_t limit, const Sink& sink) const;
  // The whole entry as text.
  std::string ReadAll(std::string_view name, size_t limit, std::string& out) const;

 private:
  zip* archive_ = nullptr;
};
