#include "workbook/zip_archive.h"

#include <zip.h>

#include <memory>
#include <vector>

#include "workbook/format_readers.h"

namespace {

constexpr size_t kReadPiece = 64 * 1024;

std::string ZipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

bool IsPasswordError(int code) {
  return code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ENCRNOTSUPP;
}

}  // namespace

clZipArchive::~clZipArchive() {
  if (archive_) zip_discard(archive_);
}

std::string clZipArchive::Open(const uint8_t* data, size_t size) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
  if (!source) {
    zip_error_fini(&error);
    return "out of memory";
  }
  archive_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (!archive_) {
    zip_source_free(source);
    std::string reason = DamagedReason("zip", zip_error_strerror(&error));
    zip_error_fini(&error);
    return reason;
  }
  zip_error_fini(&error);
  return "";
}

bool clZipArchive::Has(std::string_view name) const {
  return archive_ && zip_name_locate(archive_, std::string(name).c_str(), ZIP_FL_NOCASE) >= 0;
}

std::string clZipArchive::Read(std::string_view name, size_t limit, const Sink& sink) const {
  if (!archive_) return DamagedReason(name, "no archive");
  const std::string entry(name);
  const zip_int64_t index = zip_name_locate(archive_, entry.c_str(), ZIP_FL_NOCASE);
  if (index < 0) return DamagedReason(name, "missing");
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &stat) == 0 &&
      (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
    return EncryptedReason();
  std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(
      zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0), zip_fclose);
  if (!file) {
    const int code = zip_error_code_zip(zip_get_error(archive_));
    if (IsPasswordError(code)) return EncryptedReason();
    return DamagedReason(name, ZipErrorText(code));
  }
  std::vector<char> piece(kReadPiece);
  size_t total = 0;
  for (;;) {
    const zip_int64_t n = zip_fread(file.get(), piece.data(), piece.size());
    if (n < 0) {
      const int code = zip_error_code_zip(zip_file_get_error(file.get()));
      if (IsPasswordError(code)) return EncryptedReason();
      return DamagedReason(name, ZipErrorText(code));
    }
    if (n == 0) return "";
    total += static_cast<size_t>(n);
    if (total > limit) return TooLargeReason(name, limit);
    if (!sink(piece.data(), static_cast<size_t>(n))) return "";
  }
}
