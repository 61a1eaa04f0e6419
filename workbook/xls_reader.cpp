// Excel 97-2003 workbooks (.xls, BIFF8): the "Workbook" stream of a compound
// file, a sequence of records. The globals come first (date system, number
// formats, cell formats, the sheet list with each sheet's stream offset, the
// shared strings); each sheet's records follow at its offset.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <vector>

#include "model/cp1252.h"
#include "workbook/cell_text.h"
#include "workbook/compound_file.h"
#include "workbook/format_readers.h"
#include "workbook/little_endian.h"
#include "workbook/sheet_cells.h"

namespace {

// Record types.
constexpr uint16_t kBof = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kFilePass = 0x002F;
constexpr uint16_t kDateMode = 0x0022;
constexpr uint16_t kFormat = 0x041E;
constexpr uint16_t kXf = 0x00E0;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kSst = 0x00FC;
constexpr uint16_t kContinue = 0x003C;
constexpr uint16_t kLabelSst = 0x00FD;
constexpr uint16_t kLabel = 0x0204;
constexpr uint16_t kNumber = 0x0203;
constexpr uint16_t kRk = 0x027E;
constexpr uint16_t kMulRk = 0x00BD;
constexpr uint16_t kBoolErr = 0x0205;
constexpr uint16_t kFormula = 0x0006;
constexpr uint16_t kString = 0x0207;
// Begin-of-file records of the versions before BIFF8 that share nothing else.
constexpr uint16_t kOldBofs[] = {0x0009, 0x0209, 0x0409};
constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kGlobalsSubstream = 0x0005;
constexpr uint16_t kWorksheetSubstream = 0x0010;
constexpr uint8_t kWorksheetSheet = 0;
// Formula results that are no number carry 0xFFFF in their top two bytes and a
// kind in the first.
constexpr uint8_t kResultString = 0, kResultBoolean = 1, kResultError = 2;

constexpr size_t kMaxStreamBytes = size_t{256} << 20;

// The compressed number form: an integer or the top 30 bits of a double, either
// possibly scaled by 1/100.
double RkValue(uint32_t rk) {
  double v = (rk & 2) ? static_cast<double>(static_cast<int32_t>(rk) >> 2)
                      : std::bit_cast<double>(uint64_t{rk & 0xFFFFFFFCu} << 32);
  return (rk & 1) ? v / 100 : v;
}

std::string Damaged(std::string_view what) { return DamagedReason("Workbook stream", what); }

struct Record {
  uint16_t type = 0;
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// Walks the records of the stream from an offset.
class RecordReader {
 public:
  RecordReader(const std::vector<uint8_t>& stream, size_t offset) : stream_(stream), pos_(offset) {}

  // False at the end of the stream or at a record that does not fit in it.
  bool Next(Record& record) {
    if (pos_ + 4 > stream_.size()) return false;
    const size_t size = LeU16(stream_.data() + pos_ + 2);
    if (pos_ + 4 + size > stream_.size()) return false;
    record = {LeU16(stream_.data() + pos_), stream_.data() + pos_ + 4, size};
    pos_ += 4 + size;
    return true;
  }
  // The type of the next record, or none.
  std::optional<uint16_t> PeekType() const {
    if (pos_ + 4 > stream_.size()) return std::nullopt;
    return LeU16(stream_.data() + pos_);
  }
  bool AtEnd() const { return pos_ >= stream_.size(); }

 private:
  const std::vector<uint8_t>& stream_;
  size_t pos_;
};

// Reads a record and its CONTINUE records as one run of bytes, except that
// text characters split over a record boundary resume with a fresh option byte
// (whether the characters that follow take one byte or two).
class ContinuedReader {
 public:
  void Add(const uint8_t* data, size_t size) { segments_.push_back({data, size}); }
  // Appends the CONTINUE records that follow in `records`.
  void AddContinues(RecordReader& records) {
    Record more;
    while (records.PeekType() == kContinue && records.Next(more)) Add(more.data, more.size);
  }

  bool U8(uint8_t& out) {
    if (!Advance()) return false;
    out = segments_[segment_].data[offset_++];
    return true;
  }
  bool U16(uint16_t& out) {
    uint8_t lo = 0, hi = 0;
    if (!U8(lo) || !U8(hi)) return false;
    out = static_cast<uint16_t>(lo | hi << 8);
    return true;
  }
  bool U32(uint32_t& out) {
    uint16_t lo = 0, hi = 0;
    if (!U16(lo) || !U16(hi)) return false;
    out = lo | static_cast<uint32_t>(hi) << 16;
    return true;
  }
  bool Skip(uint64_t count) {
    while (count > 0) {
      if (!Advance()) return false;
      const size_t n =
          static_cast<size_t>(std::min<uint64_t>(count, segments_[segment_].size - offset_));
      offset_ += n;
      count -= n;
    }
    return true;
  }
  // `count` characters into `units` (UTF-16), or skipped when `units` is null.
  bool Chars(uint32_t count, bool twoBytes, std::u16string* units) {
    while (count > 0) {
      if (offset_ == segments_[segment_].size) {
        if (segment_ + 1 >= segments_.size()) return false;
        ++segment_;
        offset_ = 0;
        uint8_t options = 0;
        if (!U8(options)) return false;
        twoBytes = (options & 1) != 0;
      }
      const uint8_t* p = segments_[segment_].data + offset_;
      const size_t available = (segments_[segment_].size - offset_) / (twoBytes ? 2 : 1);
      if (available == 0) return false;
      const size_t n = std::min<size_t>(count, available);
      if (units) {
        for (size_t i = 0; i < n; ++i)
          units->push_back(twoBytes ? static_cast<char16_t>(LeU16(p + 2 * i)) : char16_t{p[i]});
      }
      offset_ += n * (twoBytes ? 2 : 1);
      count -= static_cast<uint32_t>(n);
    }
    return true;
  }

 private:
  // Moves past exhausted segments; false when nothing is left.
  bool Advance() {
    if (segments_.empty()) return false;
    while (offset_ == segments_[segment_].size) {
      if (segment_ + 1 >= segments_.size()) return false;
      ++segment_;
      offset_ = 0;
    }
    return true;
  }

  struct Segment {
    const uint8_t* data;
    size_t size;
  };
  std::vector<Segment> segments_;
  size_t segment_ = 0;
  size_t offset_ = 0;
};

std::string Utf16ToUtf8(const std::u16string& units) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t ch = units[i];
    if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      ch = 0x10000 + ((ch - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (ch >= 0xD800 && ch <= 0xDFFF) {
      ch = 0xFFFD;
    }
    AppendUtf8(out, ch);
  }
  return out;
}

// A string with a 16-bit character count and option byte; rich-text runs and
// phonetic data, when flagged, are skipped. Null `text` skips the string.
bool ReadString(ContinuedReader& in, std::string* text) {
  uint16_t count = 0;
  uint8_t options = 0;
  if (!in.U16(count) || !in.U8(options)) return false;
  uint16_t runs = 0;
  uint32_t extra = 0;
  if ((options & 0x08) && !in.U16(runs)) return false;
  if ((options & 0x04) && !in.U32(extra)) return false;
  std::u16string units;
  if (!in.Chars(count, (options & 1) != 0, text ? &units : nullptr)) return false;
  if (!in.Skip(uint64_t{runs} * 4 + extra)) return false;
  if (text) *text = Utf16ToUtf8(units);
  return true;
}

// The globals: what the cells of any sheet need.
struct Globals {
  bool date1904 = false;
  std::unordered_map<uint16_t, bool> customFormats;  // format id → shows a date
  std::vector<uint16_t> xfFormats;                   // cell format → format id
  std::optional<uint32_t> firstWorksheet;            // stream offset
  ContinuedReader sst;
  bool hasSst = false;

  bool IsDateXf(uint16_t xf) const {
    if (xf >= xfFormats.size()) return false;
    auto custom = customFormats.find(xfFormats[xf]);
    return custom != customFormats.end() ? custom->second : IsBuiltinDateFormat(xfFormats[xf]);
  }
};

std::string CheckBof(const Record& bof, uint16_t substream) {
  if (std::find(std::begin(kOldBofs), std::end(kOldBofs), bof.type) != std::end(kOldBofs))
    return "it is an Excel 2.x-4.x workbook, which cannot be read; save it as .xlsx";
  if (bof.type != kBof || bof.size < 4) return Damaged("no begin-of-file record");
  if (LeU16(bof.data) != kBiff8)
    return "it is an Excel 5.0/95 or older workbook, which cannot be read; save it as .xlsx";
  if (LeU16(bof.data + 2) != substream) return Damaged("unexpected substream");
  return "";
}

std::string ReadGlobals(const std::vector<uint8_t>& stream, Globals& globals) {
  RecordReader records(stream, 0);
  Record record;
  if (!records.Next(record)) return Damaged("empty");
  if (auto reason = CheckBof(record, kGlobalsSubstream); !reason.empty()) return reason;
  while (records.Next(record)) {
    switch (record.type) {
      case kEof:
        return "";
      case kFilePass:
        return EncryptedReason();
      case kDateMode:
        if (record.size >= 2) globals.date1904 = LeU16(record.data) != 0;
        break;
      case kFormat: {
        if (record.size < 2) break;
        ContinuedReader in;
        in.Add(record.data + 2, record.size - 2);
        std::string code;
        if (ReadString(in, &code))
          globals.customFormats[LeU16(record.data)] = IsDateFormatCode(code);
        break;
      }
      case kXf:
        if (record.size >= 4) globals.xfFormats.push_back(LeU16(record.data + 2));
        break;
      case kBoundSheet:
        if (record.size >= 6 && !globals.firstWorksheet && record.data[5] == kWorksheetSheet)
          globals.firstWorksheet = LeU32(record.data);
        break;
      case kSst:
        if (record.size < 8 || globals.hasSst) break;
        globals.hasSst = true;
        globals.sst.Add(record.data + 8, record.size - 8);
        globals.sst.AddContinues(records);
        break;
      default:
        break;
    }
  }
  return Damaged("the globals have no end");
}

// Reads the cells of one sheet substream.
class SheetReader {
 public:
  SheetReader(const Globals& globals, clSheetCells& cells) : globals_(globals), cells_(cells) {}

  // String numbers of the cells that show shared strings, by cell.
  std::unordered_map<uint64_t, uint32_t> shared;

  std::string Read(const std::vector<uint8_t>& stream, uint32_t offset) {
    if (offset >= stream.size()) return Damaged("the first worksheet lies outside the stream");
    RecordReader records(stream, offset);
    Record record;
    if (!records.Next(record)) return Damaged("truncated worksheet");
    if (auto reason = CheckBof(record, kWorksheetSubstream); !reason.empty()) return reason;
    int depth = 1;  // embedded charts bring their own begin and end records
    while (records.Next(record)) {
      if (cells_.StopRequested()) return kReadStoppedReason;
      if (record.type == kBof) {
        ++depth;
      } else if (record.type == kEof) {
        if (--depth == 0) return "";
      } else if (depth == 1) {
        if (auto reason = Cell(record, records); !reason.empty()) return reason;
      }
    }
    return Damaged("truncated worksheet");
  }

 private:
  static uint64_t Key(uint64_t row, uint64_t column) { return row << 16 | column; }

  std::string Cell(const Record& r, RecordReader& records) {
    const auto header = [&](size_t minimum) { return r.size >= std::max<size_t>(minimum, 6); };
    const uint64_t row = r.size >= 2 ? uint64_t{LeU16(r.data)} + 1 : 0;
    const uint64_t column = r.size >= 4 ? uint64_t{LeU16(r.data + 2)} + 1 : 0;
    const uint16_t xf = r.size >= 6 ? LeU16(r.data + 4) : 0;
    switch (r.type) {
      case kLabelSst:
        if (!header(10)) return Short();
        if (!cells_.Inside(row, column)) return "";
        cells_.Put(row, column, "");
        shared[Key(row, column)] = LeU32(r.data + 6);
        return "";
      case kLabel: {
        if (!header(6)) return Short();
        ContinuedReader in;
        in.Add(r.data + 6, r.size - 6);
        in.AddContinues(records);
        std::string text;
        if (!ReadString(in, &text)) return Short();
        return Put(row, column, std::string(TrimBlanks(text)));
      }
      case kNumber:
        if (!header(14)) return Short();
        return Put(row, column, NumberText(LeF64(r.data + 6), xf));
      case kRk:
        if (!header(10)) return Short();
        return Put(row, column, NumberText(RkValue(LeU32(r.data + 6)), xf));
      case kMulRk: {
        if (r.size < 6 || (r.size - 6) % 6 != 0) return Short();
        const size_t count = (r.size - 6) / 6;
        for (size_t i = 0; i < count; ++i) {
          const uint8_t* cell = r.data + 4 + 6 * i;
          if (auto reason = Put(row, column + i, NumberText(RkValue(LeU32(cell + 2)), LeU16(cell)));
              !reason.empty())
            return reason;
        }
        return "";
      }
      case kBoolErr:
        if (!header(8)) return Short();
        return Put(row, column, OtherKindCellText(r.data[7] ? kErrorCellKind : kBooleanCellKind));
      case kFormula:
        if (!header(20)) return Short();
        return Formula(r, row, column, xf, records);
      default:
        return "";
    }
  }

  std::string Formula(const Record& r, uint64_t row, uint64_t column, uint16_t xf,
                      RecordReader& records) {
    const uint8_t* result = r.data + 6;
    if (result[6] != 0xFF || result[7] != 0xFF)
      return Put(row, column, NumberText(LeF64(result), xf));
    switch (result[0]) {
      case kResultString: {
        // The text follows in a STRING record, after any records of a shared or
        // array formula.
        Record next;
        while (records.PeekType() && *records.PeekType() != kString && records.Next(next)) {
          if (next.type == kEof || next.type == kBof || next.type == kFormula)
            return Damaged("formula text missing at " + CellName(row, column));
        }
        if (!records.Next(next)) return Short();
        ContinuedReader in;
        in.Add(next.data, next.size);
        in.AddContinues(records);
        std::string text;
        if (!ReadString(in, &text)) return Short();
        return Put(row, column, std::string(TrimBlanks(text)));
      }
      case kResultBoolean:
        return Put(row, column, OtherKindCellText(kBooleanCellKind));
      case kResultError:
        return Put(row, column, OtherKindCellText(kErrorCellKind));
      default:
        return "";  // an empty text result
    }
  }

  std::string NumberText(double value, uint16_t xf) const {
    if (!std::isfinite(value)) return OtherKindCellText(kErrorCellKind);
    return globals_.IsDateXf(xf) ? SerialDateCellText(value, globals_.date1904)
                                 : NumberCellText(value);
  }

  std::string Put(uint64_t row, uint64_t column, std::string text) {
    if (!cells_.Inside(row, column)) return "";
    // A record may count up to 65,535 characters; no cell holds more than 32,767.
    if (text.size() > kMaxCellTextBytes) return CellTooLongReason(row, column);
    shared.erase(Key(row, column));
    return cells_.Put(row, column, std::move(text)) ? "" : TextBudgetReason(cells_);
  }

  static std::string Short() { return Damaged("a cell record is cut short"); }

  const Globals& globals_;
  clSheetCells& cells_;
};

// Reads the shared strings that cells refer to, and no others.
std::string FillSharedStrings(Globals& globals, const std::unordered_map<uint64_t, uint32_t>& refs,
                              clSheetCells& cells) {
  if (refs.empty()) return "";
  if (!globals.hasSst) return Damaged("cells refer to shared strings, but there are none");
  std::vector<uint32_t> wanted;
  wanted.reserve(refs.size());
  for (const auto& ref : refs) wanted.push_back(ref.second);
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  std::unordered_map<uint32_t, std::string> strings;
  for (uint32_t index = 0; index <= wanted.back(); ++index) {
    if (cells.StopRequested()) return kReadStoppedReason;
    const bool keep = std::binary_search(wanted.begin(), wanted.end(), index);
    std::string text;
    if (!ReadString(globals.sst, keep ? &text : nullptr)) break;  // the table ends here
    if (keep) strings[index] = std::move(text);
  }
  for (const auto& [key, index] : refs) {
    const uint64_t row = key >> 16, column = key & 0xFFFF;
    auto found = strings.find(index);
    if (found == strings.end())
      return Damaged("cell " + CellName(row, column) + " refers to shared string " +
                     std::to_string(index) + ", which the workbook does not hold");
    if (found->second.size() > kMaxCellTextBytes) return CellTooLongReason(row, column);
    if (!cells.Put(row, column, std::string(TrimBlanks(found->second))))
      return TextBudgetReason(cells);
  }
  return "";
}

}  // namespace

std::string ReadXlsSheet(const uint8_t* data, size_t size, clSheetCells& cells) {
  clCompoundFile file;
  if (auto reason = file.Open(data, size); !reason.empty()) return reason;
  if (file.HasStream("EncryptedPackage")) return EncryptedReason();
  if (!file.HasStream("Workbook")) {
    if (file.HasStream("Book"))
      return "it is an Excel 5.0/95 or older workbook, which cannot be read; save it as .xlsx";
    return "it is an Office file, but no Excel workbook";
  }
  std::vector<uint8_t> stream;
  if (auto reason = file.ReadStream("Workbook", kMaxStreamBytes, stream); !reason.empty())
    return reason;
  return ReadBiffWorkbook(stream, cells);
}

std::string ReadBiffWorkbook(const std::vector<uint8_t>& stream, clSheetCells& cells) {
  Globals globals;
  if (auto reason = ReadGlobals(stream, globals); !reason.empty()) return reason;
  if (!globals.firstWorksheet) return "the workbook has no worksheet";
  SheetReader sheet(globals, cells);
  if (auto reason = sheet.Read(stream, *globals.firstWorksheet); !reason.empty()) return reason;
  return FillSharedStrings(globals, sheet.shared, cells);
}
