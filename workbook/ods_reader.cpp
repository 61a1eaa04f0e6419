// OpenDocument spreadsheets (.ods): a zip package whose content.xml holds the
// tables in order. Rows and cells carry repeat counts (a sheet usually ends in
// one row repeated a million times), which are counted, never expanded beyond
// the window.
#include <algorithm>

#include "workbook/cell_text.h"
#include "workbook/format_readers.h"
#include "workbook/sheet_cells.h"
#include "workbook/xml_stream.h"

namespace {

constexpr std::string_view kSpreadsheetType = "application/vnd.oasis.opendocument.spreadsheet";
constexpr std::string_view kOfficeNamespace = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kCalcExtNamespace =
    "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";
// Repeat counts beyond any sheet are clamped here, far from overflow.
constexpr uint64_t kRepeatCap = uint64_t{1} << 32;

uint64_t RepeatCount(const char* text) {
  uint64_t n = 1;
  if (!text || !ParseUnsignedText(text, n) || n == 0) return 1;
  return std::min(n, kRepeatCap);
}

// Elements inside a cell whose text is not the cell's: notes, drawings, sub-tables.
bool IsForeignContent(std::string_view name) {
  static constexpr std::string_view kNames[] = {
      "annotation", "frame",     "custom-shape", "g",        "rect",           "ellipse",
      "line",       "connector", "polygon",      "polyline", "path",           "circle",
      "measure",    "caption",   "control",      "table",    "regular-polygon"};
  return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

// Whether META-INF/manifest.xml says content.xml is encrypted.
class ManifestHandler : public clXmlHandler {
 public:
  bool contentEncrypted = false;

  void Start(std::string_view name, const char** attributes) override {
    if (name == "file-entry") {
      const char* path = XmlAttribute(attributes, "full-path");
      inContentEntry_ = path && std::string_view(path) == "content.xml";
    } else if (name == "encryption-data" && inContentEntry_) {
      contentEncrypted = true;
    }
  }
  void End(std::string_view name) override {
    if (name == "file-entry") inContentEntry_ = false;
  }

 private:
  bool inContentEntry_ = false;
};

class ContentHandler : public clXmlHandler {
 public:
  explicit ContentHandler(clSheetCells& cells) : cells_(cells) {}

  bool sawTable = false;

  void Start(std::string_view name, const char** attributes) override {
    if (tableDepth_ == 0) {
      if (name == "table" && !sawTable) {
        sawTable = true;
        tableDepth_ = 1;
      }
      return;
    }
    if (inCell_) return StartInCell(name, attributes);
    if (name == "table") {
      ++tableDepth_;
    } else if (tableDepth_ != 1) {
      return;
    } else if (name == "table-row") {
      inRow_ = true;
      rowStart_ = nextRow_;
      rowRepeat_ = RepeatCount(XmlAttribute(attributes, "number-rows-repeated"));
      nextColumn_ = 1;
      if (cells_.StopRequested()) return Fail(kReadStoppedReason);
      // Rows come in order: the rest of the table lies below the window.
      if (rowStart_ > cells_.MaxRow()) Finish();
    } else if (inRow_ && (name == "table-cell" || name == "covered-table-cell")) {
      StartCell(attributes);
    }
  }

  void End(std::string_view name) override {
    if (tableDepth_ == 0) return;
    if (inCell_) return EndInCell(name);
    if (name == "table") {
      if (--tableDepth_ == 0) Finish();  // worksheet 1 is complete
    } else if (tableDepth_ == 1 && name == "table-row" && inRow_) {
      inRow_ = false;
      nextRow_ = std::min(kRepeatCap, nextRow_ + rowRepeat_);
    }
  }

  void Text(std::string_view text) override {
    if (inCell_ && inParagraph_ && foreignDepth_ == 0) AppendText(text);
  }

 private:
  void StartCell(const char** attributes) {
    inCell_ = true;
    cellDepth_ = 0;
    foreignDepth_ = 0;
    inParagraph_ = false;
    paragraphs_ = 0;
    text_.Clear();
    cellStart_ = nextColumn_;
    cellRepeat_ = RepeatCount(XmlAttribute(attributes, "number-columns-repeated"));
    nextColumn_ = std::min(kRepeatCap, nextColumn_ + cellRepeat_);
    const auto copy = [&](std::string_view ns, std::string_view local) {
      const char* v = XmlAttribute(attributes, ns, local);
      return v ? std::string(v) : std::string();
    };
    valueType_ = copy(kOfficeNamespace, "value-type");
    value_ = copy(kOfficeNamespace, "value");
    dateValue_ = copy(kOfficeNamespace, "date-value");
    const char* stringValue = XmlAttribute(attributes, kOfficeNamespace, "string-value");
    hasStringValue_ = stringValue != nullptr;
    stringValue_ = hasStringValue_ ? stringValue : "";
    isError_ = copy(kCalcExtNamespace, "value-type") == "error";
  }

  void StartInCell(std::string_view name, const char** attributes) {
    ++cellDepth_;
    if (foreignDepth_ > 0 || IsForeignContent(name)) {
      ++foreignDepth_;
      return;
    }
    if (name == "p" || name == "h") {
      if (paragraphs_++ > 0) AppendText("\n");
      inParagraph_ = true;
    } else if (inParagraph_ && name == "s") {
      const uint64_t count = RepeatCount(XmlAttribute(attributes, "c"));
      if (count > kMaxCellTextBytes) return Fail(CellTooLongReason(rowStart_, cellStart_));
      AppendText(std::string(count, ' '));
    } else if (inParagraph_ && name == "tab") {
      AppendText("\t");
    } else if (inParagraph_ && name == "line-break") {
      AppendText("\n");
    }
  }

  void EndInCell(std::string_view name) {
    if (cellDepth_ == 0) {  // the cell's own end
      inCell_ = false;
      return EndCell();
    }
    --cellDepth_;
    if (foreignDepth_ > 0) {
      --foreignDepth_;
    } else if (name == "p" || name == "h") {
      inParagraph_ = false;
    }
  }

  void AppendText(std::string_view text) {
    if (!text_.Append(text)) Fail(CellTooLongReason(rowStart_, cellStart_));
  }

  // The text of the cell, by its value type; false when a value is malformed.
  bool CellText(std::string& out) const {
    double number = 0;
    if (isError_) {
      out = OtherKindCellText(kErrorCellKind);
    } else if (valueType_ == "float" || valueType_ == "percentage" || valueType_ == "currency") {
      if (!ParseNumberText(value_, number)) return false;
      out = NumberCellText(number);
    } else if (valueType_ == "date") {
      auto date = ParseIsoDate(TrimBlanks(dateValue_));
      if (!date) return false;
      out = DateCellText(*date);
    } else if (valueType_ == "time") {
      out.clear();  // a time of day alone is a date before 1901
    } else if (valueType_ == "boolean") {
      out = OtherKindCellText(kBooleanCellKind);
    } else {
      out = TrimBlanks(hasStringValue_ && valueType_ == "string" ? stringValue_ : text_.Get());
    }
    return true;
  }

  void EndCell() {
    if (rowStart_ > cells_.MaxRow() || cellStart_ > cells_.MaxColumn()) return;
    std::string text;
    if (!CellText(text)) {
      return Fail(DamagedReason("content.xml", "cell " + CellName(rowStart_, cellStart_) +
                                                   " holds a malformed " + valueType_ + " value"));
    }
    if (text.empty()) return;
    const uint64_t lastRow = std::min<uint64_t>(rowStart_ + rowRepeat_ - 1, cells_.MaxRow());
    const uint64_t lastColumn =
        std::min<uint64_t>(cellStart_ + cellRepeat_ - 1, cells_.MaxColumn());
    for (uint64_t row = rowStart_; row <= lastRow; ++row) {
      for (uint64_t column = cellStart_; column <= lastColumn; ++column) {
        if (!cells_.Put(row, column, text)) return Fail(TextBudgetReason(cells_));
      }
    }
  }

  clSheetCells& cells_;
  int tableDepth_ = 0;
  bool inRow_ = false;
  uint64_t nextRow_ = 1;
  uint64_t rowStart_ = 1;
  uint64_t rowRepeat_ = 1;
  uint64_t nextColumn_ = 1;
  bool inCell_ = false;
  int cellDepth_ = 0;
  int foreignDepth_ = 0;
  bool inParagraph_ = false;
  int paragraphs_ = 0;
  uint64_t cellStart_ = 1;
  uint64_t cellRepeat_ = 1;
  std::string valueType_;
  std::string value_;
  std::string dateValue_;
  std::string stringValue_;
  bool hasStringValue_ = false;
  bool isError_ = false;
  clCellTextBuffer text_;
};

}  // namespace

std::string ReadOdsSheet(const clPackage& package, clSheetCells& cells) {
  if (package.Has("mimetype")) {
    std::string type;
    if (auto reason = package.ReadAll("mimetype", 256, type); !reason.empty()) return reason;
    type = std::string(TrimBlanks(type));
    if (type.rfind(kSpreadsheetType, 0) != 0)
      return "it is an OpenDocument file, but no spreadsheet (" + type.substr(0, 80) + ")";
  }
  if (package.Has("META-INF/manifest.xml")) {
    ManifestHandler manifest;
    clXmlStream stream(manifest);
    if (auto reason = stream.ParsePart(package, "META-INF/manifest.xml", kMaxSmallPartBytes);
        !reason.empty())
      return reason;
    if (manifest.contentEncrypted) return EncryptedReason();
  }
  if (!package.Has("content.xml")) return DamagedReason("content.xml", "missing");
  ContentHandler content(cells);
  clXmlStream stream(content);
  if (auto reason = stream.ParsePart(package, "content.xml", kMaxSheetPartBytes); !reason.empty())
    return reason;
  return content.sawTable ? "" : "the workbook has no worksheet";
}
