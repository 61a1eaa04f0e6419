#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "workbook/package.h"

struct zip;

// A zip archive held in memory (the packaging of .xlsx and .ods workbooks),
// opened with the library's consistency checks. Entries are read in pieces and
// counted as they come out, so a small archive that unpacks to gigabytes stops
// at the reader's limit instead of filling memory.
class clZipArchive : public clPackage {
 public:
  clZipArchive() = default;
  ~clZipArchive();
  clZipArchive(const clZipArchive&) = delete;
  clZipArchive& operator=(const clZipArchive&) = delete;

  // The bytes must stay alive and unchanged while the archive is open.
  std::string Open(const uint8_t* data, size_t size);
  bool Has(std::string_view name) const override;
  std::string Read(std::string_view name, size_t limit, const Sink& sink) const override;

 private:
  zip* archive_ = nullptr;
};
