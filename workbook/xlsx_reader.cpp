// Office Open XML workbooks (.xlsx, .xlsm): a zip package of XML parts. The
// package relationships lead to the workbook part, whose sheet list (in tab
// order) and relationships lead to the first worksheet, the styles (which say
// which numbers are dates) and the shared strings.
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "model/cp1252.h"
#include "workbook/cell_text.h"
#include "workbook/format_readers.h"
#include "workbook/sheet_cells.h"
#include "workbook/xml_stream.h"

namespace {

struct Relationship {
  std::string id;
  std::string type;
  std::string target;  // resolved to a part name
};

bool TypeIs(const std::string& type, std::string_view kind) {
  return type.size() > kind.size() && type[type.size() - kind.size() - 1] == '/' &&
         type.compare(type.size() - kind.size(), kind.size(), kind) == 0;
}

std::string DirOf(std::string_view part) {
  const size_t slash = part.rfind('/');
  return slash == std::string_view::npos ? "" : std::string(part.substr(0, slash + 1));
}

// A relationship target relative to `dir` (or absolute, from the package root)
// as a part name, with "." and ".." segments resolved.
std::string ResolveTarget(std::string_view dir, std::string_view target) {
  std::string joined = !target.empty() && target[0] == '/' ? std::string(target.substr(1))
                                                           : std::string(dir) + std::string(target);
  std::vector<std::string> segments;
  size_t start = 0;
  while (start <= joined.size()) {
    size_t end = joined.find('/', start);
    if (end == std::string::npos) end = joined.size();
    std::string segment = joined.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(std::move(segment));
    }
    start = end + 1;
  }
  std::string part;
  for (const std::string& segment : segments) part += (part.empty() ? "" : "/") + segment;
  return part;
}

class RelationshipsHandler : public clXmlHandler {
 public:
  explicit RelationshipsHandler(std::string dir) : dir_(std::move(dir)) {}
  std::vector<Relationship> list;

  void Start(std::string_view name, const char** attributes) override {
    if (name != "Relationship") return;
    const char* id = XmlAttribute(attributes, "Id");
    const char* type = XmlAttribute(attributes, "Type");
    const char* target = XmlAttribute(attributes, "Target");
    const char* mode = XmlAttribute(attributes, "TargetMode");
    if (!id || !type || !target || (mode && std::string_view(mode) == "External")) return;
    list.push_back({id, type, ResolveTarget(dir_, target)});
  }
  void End(std::string_view) override {}

  const Relationship* FindType(std::string_view kind) const {
    for (const Relationship& r : list) {
      if (TypeIs(r.type, kind)) return &r;
    }
    return nullptr;
  }
  const Relationship* FindId(std::string_view id) const {
    for (const Relationship& r : list) {
      if (r.id == id) return &r;
    }
    return nullptr;
  }

 private:
  std::string dir_;
};

bool TrueAttribute(const char* value) {
  return value && (std::string_view(value) == "1" || std::string_view(value) == "true");
}

class WorkbookHandler : public clXmlHandler {
 public:
  std::vector<std::string> sheetIds;  // relationship ids, in tab order
  bool date1904 = false;

  void Start(std::string_view name, const char** attributes) override {
    if (name == "workbookPr") {
      date1904 = TrueAttribute(XmlAttribute(attributes, "date1904"));
    } else if (name == "sheet") {
      if (const char* id = XmlAttribute(attributes, "id")) sheetIds.emplace_back(id);
    }
  }
  void End(std::string_view) override {}
};

// Which cell formats show their numbers as dates.
class StylesHandler : public clXmlHandler {
 public:
  bool IsDateStyle(uint64_t style) const {
    if (style >= xfFormats_.size()) return false;
    const uint32_t format = xfFormats_[style];
    auto custom = customFormats_.find(format);
    return custom != customFormats_.end() ? custom->second : IsBuiltinDateFormat(format);
  }

  void Start(std::string_view name, const char** attributes) override {
    if (name == "numFmts") {
      inNumFmts_ = true;
    } else if (name == "cellXfs") {
      inCellXfs_ = true;
    } else if (name == "numFmt" && inNumFmts_) {
      const char* id = XmlAttribute(attributes, "numFmtId");
      const char* code = XmlAttribute(attributes, "formatCode");
      uint64_t number = 0;
      if (id && code && ParseUnsignedText(id, number) && number <= UINT32_MAX)
        customFormats_[static_cast<uint32_t>(number)] = IsDateFormatCode(code);
    } else if (name == "xf" && inCellXfs_) {
      const char* id = XmlAttribute(attributes, "numFmtId");
      uint64_t number = 0;
      xfFormats_.push_back(id && ParseUnsignedText(id, number) && number <= UINT32_MAX
                               ? static_cast<uint32_t>(number)
                               : 0);
    }
  }
  void End(std::string_view name) override {
    if (name == "numFmts") inNumFmts_ = false;
    if (name == "cellXfs") inCellXfs_ = false;
  }

 private:
  bool inNumFmts_ = false;
  bool inCellXfs_ = false;
  std::unordered_map<uint32_t, bool> customFormats_;
  std::vector<uint32_t> xfFormats_;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Office Open XML writes characters that XML cannot hold as "_xHHHH_" (UTF-16
// code units); "_x005F_" is the underscore itself.
std::string DecodeEscapes(std::string_view text) {
  if (text.find("_x") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  const auto unitAt = [&](size_t i) -> int {
    if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_')
      return -1;
    int unit = 0;
    for (size_t k = 2; k < 6; ++k) {
      const int digit = HexDigit(text[i + k]);
      if (digit < 0) return -1;
      unit = unit * 16 + digit;
    }
    return unit;
  };
  for (size_t i = 0; i < text.size();) {
    const int unit = unitAt(i);
    if (unit < 0) {
      out.push_back(text[i++]);
      continue;
    }
    i += 7;
    char32_t ch = static_cast<char32_t>(unit);
    if (ch >= 0xD800 && ch <= 0xDBFF) {
      const int low = unitAt(i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        ch = 0x10000 + ((ch - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
        i += 7;
      } else {
        ch = 0xFFFD;
      }
    } else if (ch >= 0xDC00 && ch <= 0xDFFF) {
      ch = 0xFFFD;
    }
    AppendUtf8(out, ch);
  }
  return out;
}

// "B7" → row 7, column 2. False for anything else.
bool ParseCellReference(std::string_view ref, uint64_t& row, uint64_t& column) {
  constexpr uint64_t kCap = uint64_t{1} << 40;  // far past any sheet, far from overflow
  size_t i = 0;
  column = 0;
  for (; i < ref.size() && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z'));
       ++i)
    column = std::min(kCap, column * 26 + static_cast<uint64_t>((ref[i] | 0x20) - 'a' + 1));
  if (i == 0 || i == ref.size()) return false;
  row = 0;
  for (; i < ref.size(); ++i) {
    if (ref[i] < '0' || ref[i] > '9') return false;
    row = std::min(kCap, row * 10 + static_cast<uint64_t>(ref[i] - '0'));
  }
  return row >= 1;
}

// The cells that show shared strings, filled in after the strings are read:
// string number by cell (row << 16 | column), one entry per cell however often
// a sheet repeats it.
using SharedReferences = std::unordered_map<uint64_t, uint64_t>;
constexpr uint64_t CellKey(uint64_t row, uint64_t column) { return row << 16 | column; }

class SheetHandler : public clXmlHandler {
 public:
  SheetHandler(clSheetCells& cells, const StylesHandler& styles, bool date1904)
      : cells_(cells), styles_(styles), date1904_(date1904) {}

  SharedReferences shared;

  void Start(std::string_view name, const char** attributes) override {
    if (name == "sheetData") {
      inSheetData_ = true;
    } else if (!inSheetData_) {
      return;
    } else if (name == "row") {
      uint64_t number = 0;
      const char* r = XmlAttribute(attributes, "r");
      row_ = r && ParseUnsignedText(r, number) ? number : row_ + 1;
      column_ = 0;
      if (cells_.StopRequested()) return Fail(kReadStoppedReason);
      // Rows come in ascending order: the rest of the sheet lies below the window.
      if (row_ > cells_.MaxRow()) Finish();
    } else if (name == "c") {
      StartCell(attributes);
    } else if (!inCell_) {
      return;
    } else if (name == "v") {
      inValue_ = true;
    } else if (name == "is") {
      inInline_ = true;
    } else if (name == "rPh") {
      ++phoneticDepth_;
    } else if (name == "t" && inInline_ && phoneticDepth_ == 0) {
      inText_ = true;
    }
  }

  void End(std::string_view name) override {
    if (name == "sheetData") {
      Finish();
    } else if (name == "c" && inCell_) {
      inCell_ = false;
      EndCell();
    } else if (name == "v") {
      inValue_ = false;
    } else if (name == "is") {
      inInline_ = false;
    } else if (name == "rPh" && phoneticDepth_ > 0) {
      --phoneticDepth_;
    } else if (name == "t") {
      inText_ = false;
    }
  }

  void Text(std::string_view text) override {
    if (!inCell_) return;
    if ((inValue_ && !value_.Append(text)) || (inText_ && !inline_.Append(text)))
      Fail(CellTooLongReason(cellRow_, cellColumn_));
  }

 private:
  void StartCell(const char** attributes) {
    inCell_ = true;
    inValue_ = inInline_ = inText_ = false;
    phoneticDepth_ = 0;
    value_.Clear();
    inline_.Clear();
    const char* r = XmlAttribute(attributes, "r");
    if (r) {
      if (!ParseCellReference(r, cellRow_, cellColumn_)) {
        Fail(DamagedReason("worksheet", "cell reference '" + std::string(r) + "'"));
        return;
      }
    } else {
      cellRow_ = std::max<uint64_t>(row_, 1);
      cellColumn_ = column_ + 1;
    }
    column_ = cellColumn_;
    const char* t = XmlAttribute(attributes, "t");
    type_ = t ? t : "n";
    uint64_t style = 0;
    const char* s = XmlAttribute(attributes, "s");
    style_ = s && ParseUnsignedText(s, style) ? style : 0;
  }

  void EndCell() {
    if (!cells_.Inside(cellRow_, cellColumn_)) return;
    const std::string& value = value_.Get();
    if (type_ == "inlineStr") return Put(std::string(TrimBlanks(DecodeEscapes(inline_.Get()))));
    if (type_ == "str") return Put(std::string(TrimBlanks(DecodeEscapes(value))));
    if (type_ == "e") return Put(OtherKindCellText(kErrorCellKind));
    if (TrimBlanks(value).empty()) return;  // a formatted empty cell
    if (type_ == "b") return Put(OtherKindCellText(kBooleanCellKind));
    if (type_ == "s") {
      uint64_t index = 0;
      if (!ParseUnsignedText(value, index)) return Bad("shared string number", value);
      cells_.Put(cellRow_, cellColumn_, "");
      shared[CellKey(cellRow_, cellColumn_)] = index;
      return;
    }
    if (type_ == "d") {
      auto date = ParseIsoDate(TrimBlanks(value));
      if (!date) return Bad("date", value);
      return Put(DateCellText(*date));
    }
    if (type_ != "n") return Bad("cell type", type_);
    double v = 0;
    if (!ParseNumberText(value, v)) return Bad("number", value);
    Put(styles_.IsDateStyle(style_) ? SerialDateCellText(v, date1904_) : NumberCellText(v));
  }

  void Put(std::string text) {
    shared.erase(CellKey(cellRow_, cellColumn_));
    if (!cells_.Put(cellRow_, cellColumn_, std::move(text))) Fail(TextBudgetReason(cells_));
  }
  void Bad(std::string_view what, std::string_view value) {
    Fail(DamagedReason("worksheet", "cell " + CellName(cellRow_, cellColumn_) + " holds '" +
                                        std::string(value.substr(0, 40)) + "' as a " +
                                        std::string(what)));
  }

  clSheetCells& cells_;
  const StylesHandler& styles_;
  const bool date1904_;
  bool inSheetData_ = false;
  uint64_t row_ = 0;
  uint64_t column_ = 0;
  bool inCell_ = false;
  bool inValue_ = false;
  bool inInline_ = false;
  bool inText_ = false;
  int phoneticDepth_ = 0;
  uint64_t cellRow_ = 0;
  uint64_t cellColumn_ = 0;
  std::string type_;
  uint64_t style_ = 0;
  clCellTextBuffer value_;
  clCellTextBuffer inline_;
};

// Reads the shared strings that cells refer to, and no others: the table may
// hold millions that the window never shows.
class SharedStringsHandler : public clXmlHandler {
 public:
  SharedStringsHandler(const clSheetCells& cells, std::vector<uint64_t> wanted)
      : cells_(cells), wanted_(std::move(wanted)) {}

  std::unordered_map<uint64_t, std::string> strings;

  void Start(std::string_view name, const char** /*attributes*/) override {
    if (name == "si") {
      if (cells_.StopRequested()) return Fail(kReadStoppedReason);
      index_ = count_++;
      keep_ = std::binary_search(wanted_.begin(), wanted_.end(), index_);
      phoneticDepth_ = 0;
      text_.Clear();
    } else if (name == "rPh") {
      ++phoneticDepth_;
    } else if (name == "t" && phoneticDepth_ == 0) {
      inText_ = true;
    }
  }
  void End(std::string_view name) override {
    if (name == "t") {
      inText_ = false;
    } else if (name == "rPh" && phoneticDepth_ > 0) {
      --phoneticDepth_;
    } else if (name == "si") {
      if (keep_) strings[index_] = text_.Get();
      keep_ = false;
      if (index_ >= wanted_.back()) Finish();
    }
  }
  void Text(std::string_view text) override {
    if (keep_ && inText_ && !text_.Append(text))
      Fail(DamagedReason("shared strings", "string " + std::to_string(index_) +
                                               " holds more than 32,767 characters"));
  }

 private:
  const clSheetCells& cells_;
  std::vector<uint64_t> wanted_;  // sorted, not empty
  uint64_t count_ = 0;
  uint64_t index_ = 0;
  bool keep_ = false;
  bool inText_ = false;
  int phoneticDepth_ = 0;
  clCellTextBuffer text_;
};

// Parses one part with `handler`.
template <class Handler>
std::string Parse(const clPackage& package, const std::string& part, size_t limit,
                  Handler& handler) {
  clXmlStream stream(handler);
  return stream.ParsePart(package, part, limit);
}

std::string RelationshipsPart(std::string_view part) {
  const std::string dir = DirOf(part);
  return dir + "_rels/" + std::string(part.substr(dir.size())) + ".rels";
}

std::string FillSharedStrings(const clPackage& package, const Relationship* stringsPart,
                              const SharedReferences& refs, clSheetCells& cells) {
  if (refs.empty()) return "";
  if (!stringsPart || !package.Has(stringsPart->target))
    return DamagedReason("workbook", "cells refer to shared strings, but there are none");
  std::vector<uint64_t> wanted;
  wanted.reserve(refs.size());
  for (const auto& ref : refs) wanted.push_back(ref.second);
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  SharedStringsHandler handler(cells, std::move(wanted));
  if (auto reason = Parse(package, stringsPart->target, kMaxSheetPartBytes, handler);
      !reason.empty())
    return reason;
  for (const auto& [key, index] : refs) {
    const uint64_t row = key >> 16, column = key & 0xFFFF;
    auto found = handler.strings.find(index);
    if (found == handler.strings.end())
      return DamagedReason("shared strings", "cell " + CellName(row, column) +
                                                 " refers to string " + std::to_string(index) +
                                                 ", which the workbook does not hold");
    if (!cells.Put(row, column, std::string(TrimBlanks(DecodeEscapes(found->second)))))
      return TextBudgetReason(cells);
  }
  return "";
}

}  // namespace

std::string ReadXlsxSheet(const clPackage& package, clSheetCells& cells) {
  if (package.Has("xl/workbook.bin"))
    return "it is a binary Excel workbook (.xlsb), which cannot be read; save it as .xlsx";
  std::string workbookPart = "xl/workbook.xml";
  if (package.Has("_rels/.rels")) {
    RelationshipsHandler root("");
    if (auto reason = Parse(package, "_rels/.rels", kMaxSmallPartBytes, root); !reason.empty())
      return reason;
    if (const Relationship* office = root.FindType("officeDocument"))
      workbookPart = office->target;
  }
  if (!package.Has(workbookPart))
    return "it is a zip archive, but no Excel workbook (" + workbookPart + " is missing)";
  WorkbookHandler workbook;
  if (auto reason = Parse(package, workbookPart, kMaxSmallPartBytes, workbook); !reason.empty())
    return reason;
  RelationshipsHandler parts(DirOf(workbookPart));
  const std::string partsName = RelationshipsPart(workbookPart);
  if (package.Has(partsName)) {
    if (auto reason = Parse(package, partsName, kMaxSmallPartBytes, parts); !reason.empty())
      return reason;
  }
  const Relationship* sheet = nullptr;
  for (const std::string& id : workbook.sheetIds) {
    const Relationship* r = parts.FindId(id);
    if (r && TypeIs(r->type, "worksheet")) {
      sheet = r;
      break;
    }
  }
  if (!sheet) return "the workbook has no worksheet";
  if (!package.Has(sheet->target))
    return DamagedReason(sheet->target, "the worksheet part is missing");
  StylesHandler styles;
  if (const Relationship* r = parts.FindType("styles"); r && package.Has(r->target)) {
    if (auto reason = Parse(package, r->target, kMaxSmallPartBytes, styles); !reason.empty())
      return reason;
  }
  SheetHandler cellsHandler(cells, styles, workbook.date1904);
  if (auto reason = Parse(package, sheet->target, kMaxSheetPartBytes, cellsHandler);
      !reason.empty())
    return reason;
  return FillSharedStrings(package, parts.FindType("sharedStrings"), cellsHandler.shared, cells);
}
