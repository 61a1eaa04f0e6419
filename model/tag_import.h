#pragma once
// Tag import from a spreadsheet template: the rows read from worksheet 1 and
// the import that replaces a master's or slave's sectors and tags with them.
//
// Template: rows 1 to 5 are free (titles, headings); from row 6 on, one tag per
// row in columns A to O (keys in kImportColumnKeys). Reading stops at the sixth
// consecutive row whose column A is empty, and before row 10000.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class clDevice;
class clWorkspace;

inline constexpr int32_t kImportFirstRow = 6;
inline constexpr int32_t kImportRowEnd = 10000;  // rows before this one are read
inline constexpr int32_t kImportEmptyRowsToStop = 6;
inline constexpr int32_t kImportColumnCount = 15;  // A to O

// The key under which each column A..O is stored.
inline constexpr std::array<std::string_view, kImportColumnCount> kImportColumnKeys = {
    "sector",       "tag_name",      "type",          "ioa",           "scale_state",
    "scale_type",   "scale_raw_min", "scale_raw_max", "scale_eng_min", "scale_eng_max",
    "scale_factor", "link_state",    "link_sector",   "link_name",     "value"};

inline constexpr const char* kImportRefused = "Could not import tags, device is still running";
inline constexpr const char* kNoItemSelected = "No item selected";

// One template row. Every field starts 0, false or empty.
struct clImportRow {
  int32_t sheetRow = 0;  // the worksheet row it was read from
  int32_t sector = 0;    // common address
  std::string tagName;
  int32_t type = 0;  // tag type code; 0 when the text named none of the thirteen
  int32_t ioa = 0;
  double engMin = 0;
  double engMax = 0;
  double rawMin = 0;
  double rawMax = 0;
  double scaleFactor = 0;
  bool scalingEnabled = false;
  int32_t scaleType = 0;  // 2 linear, 4 factor, 0 none
  bool linkEnabled = false;
  int32_t linkSector = 0;  // common address of the linked tag's sector
  std::string linkTagName;
  double value = 0;

  bool operator==(const clImportRow&) const = default;
};

// Stores a cell's text under a key (keys compared exactly, value words without
// regard to letter case): "sector", "ioa", "link_sector" as decimal integers
// and the scaling numbers and "value" as decimal numbers, read as the C library
// reads them ("3.000" is 3, text that starts with no number is 0); "tag_name",
// "link_name" as text; "type" by the thirteen type names a template may use;
// "scale_state" "ON"/"OFF", other text leaving it; "scale_type" "LINEAR" 2,
// "FACTOR" 4, other text leaving it; "link_state" true exactly for "on". A text
// holding "unknown:" (a cell of a kind without text) counts as empty.
void StoreImportCell(clImportRow& row, std::string_view key, std::string_view text);

// The text of the cell at a 1-based row and column of worksheet 1.
using clImportCellText = std::function<std::string_view(int32_t row, int32_t column)>;
// Reads the template's rows, from row 6 on, as described above.
std::vector<clImportRow> ReadImportRows(const clImportCellText& cell);

// Replaces all sectors and tags of a stopped master or slave with the rows
// given (the ticked ones, in list order). Each row finds or creates the sector
// of its common address ("Sector%d", the next sector id, the device's next
// common address after it) and becomes a tag with the next tag id, its name,
// type and IOA, and for a master the scaling of the row; for a slave the link of
// the row, resolved among the tags imported before it (target 0 when not found),
// and the row's value through the tag's SetValue. Returns "" or the refusal:
// kImportRefused while the device runs, kNoItemSelected for no rows (nothing
// changes then).
std::string ImportTags(clWorkspace& workspace, clDevice& device,
                       const std::vector<clImportRow>& rows);

// The texts of a row in the import checklist: for a master Sector, TagName,
// Type, IOA, Scaling, ScaleType, rawmin, rawmax, engmin, engmax, scalefactor;
// for a slave Sector, TagName, Type, IOA, EnableLink, LinkSector, LinkTag,
// InitialValue.
std::vector<std::string> ImportRowCells(const clImportRow& row, bool master);
