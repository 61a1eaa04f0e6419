#include "workbook/workbook_reader.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "runtime/file_read.h"
#include "workbook/cell_text.h"
#include "workbook/compound_file.h"
#include "workbook/format_readers.h"
#include "workbook/zip_archive.h"

namespace {

constexpr uint8_t kZipSignature[4] = {'P', 'K', 0x03, 0x04};

bool StartsWith(const uint8_t* data, size_t size, const uint8_t* magic, size_t magicSize) {
  return size >= magicSize && std::memcmp(data, magic, magicSize) == 0;
}

std::string ReadZipped(const uint8_t* data, size_t size, clSheetCells& cells) {
  clZipArchive archive;
  if (auto reason = archive.Open(data, size); !reason.empty()) return reason;
  if (archive.Has("mimetype") || archive.Has("content.xml")) return ReadOdsSheet(archive, cells);
  if (archive.Has("[Content_Types].xml") || archive.Has("xl/workbook.xml") ||
      archive.Has("_rels/.rels"))
    return ReadXlsxSheet(archive, cells);
  return "it is a zip archive, but no .xlsx or .ods workbook";
}

std::string TooLargeFileReason() {
  return "the file is larger than " + std::to_string(kMaxWorkbookFileBytes >> 20) + " MiB";
}

}  // namespace

bool clCellTextBuffer::Append(std::string_view piece) {
  if (text_.size() + piece.size() > kMaxCellTextBytes) return false;
  text_.append(piece);
  return true;
}

bool ParseUnsignedText(std::string_view text, uint64_t& out) {
  text = TrimBlanks(text);
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

bool ParseNumberText(std::string_view text, double& out) {
  text = TrimBlanks(text);
  if (text.empty()) return false;
  // from_chars takes no leading '+', and would take "inf" and "nan".
  if (text[0] == '+') text.remove_prefix(1);
  const size_t first = !text.empty() && text[0] == '-' ? 1 : 0;
  if (first >= text.size() ||
      !(std::isdigit(static_cast<unsigned char>(text[first])) || text[first] == '.'))
    return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

std::string CellName(uint64_t row, uint64_t column) {
  std::string letters;
  for (uint64_t c = column; c > 0; c = (c - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  return letters + std::to_string(row);
}

std::string CellTooLongReason(uint64_t row, uint64_t column) {
  return "cell " + CellName(row, column) + " holds more than 32,767 characters";
}

std::string TextBudgetReason(const clSheetCells& cells) {
  return "its cells hold more than " + std::to_string(cells.TextBytes() >> 20) +
         " MiB of text, more than any tag list needs";
}

std::string DamagedReason(std::string_view where, std::string_view what) {
  return "the file is damaged or truncated (" + std::string(where) + ": " + std::string(what) + ")";
}

std::string EncryptedReason() { return "the workbook is encrypted (password-protected)"; }

std::string TooLargeReason(std::string_view part, size_t limit) {
  return std::string(part) + " unpacks to more than " + std::to_string(limit >> 20) +
         " MiB, more than any tag list needs";
}

std::string ReadWorkbookBytes(const uint8_t* data, size_t size, clSheetCells& cells) {
  cells.Clear();
  std::string reason;
  if (size == 0) {
    reason = "the file is empty";
  } else if (size > kMaxWorkbookFileBytes) {
    reason = TooLargeFileReason();
  } else if (StartsWith(data, size, kZipSignature, sizeof kZipSignature)) {
    reason = ReadZipped(data, size, cells);
  } else if (StartsWith(data, size, clCompoundFile::kSignature,
                        sizeof clCompoundFile::kSignature)) {
    reason = ReadXlsSheet(data, size, cells);
  } else {
    reason = ReadCsvSheet(std::string_view(reinterpret_cast<const char*>(data), size), cells);
  }
  if (!reason.empty()) cells.Clear();
  return reason;
}

std::string ReadWorkbookFile(const std::string& path, clSheetCells& cells) {
  cells.Clear();
  std::vector<uint8_t> bytes;
  const clFileReadResult read = ReadRegularFile(path, kMaxWorkbookFileBytes, bytes);
  if (read.tooLarge) return TooLargeFileReason();
  if (!read.Ok()) return read.Reason(kMaxWorkbookFileBytes);
  return ReadWorkbookBytes(bytes.data(), bytes.size(), cells);
}

std::string WorkbookReadMessage(const std::string& path, const std::string& reason) {
  return "cannot read workbook '" + path + "': " + reason;
}
