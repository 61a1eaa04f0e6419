#include "ui/document/list_layout.h"

#include <cmath>
#include <iterator>

#include "master/master_dialogs.h"
#include "model/object_settings.h"
#include "model/tag_range.h"
#include "model/workspace.h"
#include "runtime/text_compare.h"

namespace {

constexpr CListColumn kChannelColumns[] = {
    {"Name", "name", "name", false},
    {"Port", "port", "port", false},
    {"Link Address", "linkaddr", "linkaddr", false},
    {"Size-LinkAddr", "size-linkaddr", "size-linkaddr", false},
    {"Size-Sector", "size-sector", "size-sector", false},
    {"Size-IOA", "size-ioa", "size-ioa", false},
    {"Size-COT", "size-cot", "size-cot", false},
    {"State", "state", "", true},
};

constexpr CListColumn kMonitorChannelColumns[] = {
    {"Name", "name", "name", false},
    {"Port1 [<--]", "port1", "port1", false},
    {"Port2 [-->]", "port2", "port2", false},
    {"Size-LinkAddr", "size-linkaddr", "size-linkaddr", false},
    {"Size-Sector", "size-sector", "size-sector", false},
    {"Size-IOA", "size-ioa", "size-ioa", false},
    {"Size-COT", "size-cot", "size-cot", false},
    {"State", "state", "", true},
};

constexpr CListColumn kSectorColumns[] = {
    {"Name", "name", "name", false},
    {"Sector", "sector", "sector", false},
    {"Active", "active", "active", false},
};

// The value column shows the engineering text ("On", "Open", a number) and
// takes a value checked against the tag type's range.
constexpr const char* kValueKey = "engvalue";

constexpr CListColumn kMasterTagColumns[] = {
    {"Name", "name", "name", false},
    {"Type", "type", "type", false},
    {"IOA", "ioa", "ioa", false},
    {"IOA Structure", "ioastructure", "ioastructure", false},
    {"Value", kValueKey, kValueKey, true},
    {"Quality", "quality", "", true},
    {"Timestamp", "timestamp", "", true},
    {"Command", "command", "", true},
    {"Cause of Transmission", "cot", "", true},
    {"Scale", "scale_state", "scale", false},
    {"Type", "scale_type", "scale_type", false},
    {"RawMin", "rawmin", "rawmin", false},
    {"RawMax", "rawmax", "rawmax", false},
    {"EngMin", "engmin", "engmin", false},
    {"EngMax", "engmax", "engmax", false},
    {"ScaleFactor", "scale_factor", "scale_factor", false},
};

constexpr CListColumn kSlaveTagColumns[] = {
    {"Name", "name", "name", false},
    {"Type", "type", "type", false},
    {"IOA", "ioa", "ioa", false},
    {"IOA Structure", "ioastructure", "ioastructure", false},
    {"Value", kValueKey, kValueKey, true},
    {"Timestamp", "timestamp", "", true},
};

// A monitor's tags are never edited. The cause is refreshed with the value it
// came with, so that the row never pairs a new value with an old cause.
constexpr CListColumn kMonitorTagColumns[] = {
    {"Name", "name", "", false},
    {"Type", "type", "", false},
    {"IOA", "ioa", "", false},
    {"IOA Structure", "ioastructure", "", false},
    {"Value", kValueKey, "", true},
    {"Quality", "quality", "", true},
    {"Timestamp", "timestamp", "", true},
    {"Command", "command", "", true},
    {"Cause of Transmission", "cot", "", true},
};

const CListLayout kLayouts[] = {
    {CListLayoutId::kNone, "", CRowKind::kNone, {}},
    {CListLayoutId::kChannelMaster, "ChannelMaster", CRowKind::kDevice, kChannelColumns},
    {CListLayoutId::kChannelSlave, "ChannelSlave", CRowKind::kDevice, kChannelColumns},
    {CListLayoutId::kChannelMonitor, "ChannelMonitor", CRowKind::kDevice, kMonitorChannelColumns},
    {CListLayoutId::kSector, "Sector", CRowKind::kSector, kSectorColumns},
    {CListLayoutId::kTagMaster, "TagMaster", CRowKind::kTag, kMasterTagColumns},
    {CListLayoutId::kTagSlave, "TagSlave", CRowKind::kTag, kSlaveTagColumns},
    {CListLayoutId::kDeviceMonitor, "DeviceMonitor", CRowKind::kTag, kMonitorTagColumns},
};

constexpr int32_t kLargestIoa = 0xFFFFFF;
constexpr int32_t kSlaveTypeCount = 13;  // the slave offers no system commands

const CListColumn* ColumnAt(const CListLayout& layout, int column) {
  if (column < 0 || static_cast<size_t>(column) >= layout.columns.size()) return nullptr;
  return &layout.columns[static_cast<size_t>(column)];
}

bool Is(const CListColumn& column, const char* key) { return std::string_view(column.key) == key; }

bool IsSizeKey(std::string_view key) { return key.starts_with("size-"); }

bool IsPortKey(std::string_view key) { return key == "port" || key == "port1" || key == "port2"; }

// The words a value cell of the type offers, in the order of their values
// (0, 1, ...); none for number types.
std::vector<std::string> ValueWords(int32_t type) {
  switch (type) {
    case clTag::kSinglePoint:
    case clTag::kSingleCommand:
      return {"Off", "On"};
    case clTag::kDoublePoint:
    case clTag::kDoubleCommand:
      return {"Intransit", "Open", "Close", "Invalid"};
    default:
      return {};
  }
}

// Built by appending: GCC 12 at -O3 sees a false overlap in "\"" + std::string.
std::string Quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  out += text;
  out += '"';
  return out;
}

std::string OneOf(const std::vector<std::string>& choices) {
  std::string out;
  for (size_t i = 0; i < choices.size(); ++i) {
    if (i > 0) out += i + 1 == choices.size() ? " or " : ", ";
    out += choices[i];
  }
  return out;
}

// A whole number within [min, max]; the message names the field and its range.
CCellInput WholeNumber(std::string_view text, const char* field, int32_t min, int32_t max) {
  CCellInput input;
  int32_t n = 0;
  if (!ParseInt32(text, n) || n < min || n > max) {
    input.error = std::string(field) + " " + Quoted(text) + " is not a whole number from " +
                  std::to_string(min) + " to " + std::to_string(max);
  } else {
    input.text = std::to_string(n);
  }
  return input;
}

CCellInput TagValue(const clTag& tag, std::string_view text) {
  CCellInput input;
  clTagValueRange range;
  if (!TagValueRange(tag.TagType(), &range)) {
    input.error = std::string(TagTypeName(tag.TagType())) + " tags carry no value";
    return input;
  }
  const std::vector<std::string> words = ValueWords(tag.TagType());
  for (size_t i = 0; i < words.size(); ++i) {
    if (EqualsNoCase(text, words[i])) {
      input.value = static_cast<double>(i);
      input.text = words[i];
      return input;
    }
  }
  double value = 0;
  if (!ParseDecimal(text, value)) {
    input.error = "Value " + Quoted(text) + " is not " + (words.empty() ? "a number" : "valid") +
                  ": " + TagTypeName(tag.TagType()) + " takes " +
                  (words.empty() ? "" : OneOf(words) + " or ") + range.text;
    return input;
  }
  input.error = CheckTagValue(tag.TagType(), value);
  input.value = value;
  input.text = NumberText(value);
  return input;
}

// Three numbers from 0 to 255 separated by "/".
bool IsIoaStructure(std::string_view text) {
  int parts = 0;
  size_t start = 0;
  while (true) {
    const size_t slash = text.find('/', start);
    const std::string_view part =
        text.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    int32_t n = 0;
    if (!ParseInt32(part, n) || n < 0 || n > 255) return false;
    ++parts;
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return parts == 3;
}

int32_t AddressLimit(int32_t size) { return size == 1 ? 0xFF : 0xFFFF; }

}  // namespace

const CListLayout& ListLayout(CListLayoutId id) {
  for (const CListLayout& layout : kLayouts)
    if (layout.id == id) return layout;
  return kLayouts[0];
}

bool IsValueColumn(const CListLayout& layout, int column) {
  const CListColumn* c = ColumnAt(layout, column);
  return c && layout.rows == CRowKind::kTag && Is(*c, kValueKey);
}

std::string CellText(const CListLayout& layout, int column, const CHintObject& row) {
  const CListColumn* c = ColumnAt(layout, column);
  if (!c) return "";
  switch (layout.rows) {
    case CRowKind::kDevice:
      return row.device ? row.device->GetProperty(c->key) : "";
    case CRowKind::kSector:
      return row.sector ? row.sector->GetProperty(c->key) : "";
    case CRowKind::kTag:
      return row.tag ? row.tag->GetProperty(c->key) : "";
    case CRowKind::kNone:
      break;
  }
  return "";
}

bool CellEditable(const CListLayout& layout, int column, const CHintObject& row) {
  const CListColumn* c = ColumnAt(layout, column);
  if (!c || *c->setKey == '\0' || !row.device) return false;
  if (layout.rows == CRowKind::kTag) {
    if (!row.tag) return false;
    if (IsValueColumn(layout, column) && !TagValueRange(row.tag->TagType(), nullptr)) return false;
    if (row.device->IsRunning()) {
      return layout.id == CListLayoutId::kTagSlave && IsValueColumn(layout, column) &&
             !row.tag->IsCommandType();
    }
    return true;
  }
  return !row.device->IsRunning();
}

CCellKind CellKind(const CListLayout& layout, int column, const CHintObject& row) {
  const CListColumn* c = ColumnAt(layout, column);
  if (!c) return CCellKind::kText;
  if (layout.rows == CRowKind::kSector && Is(*c, "active")) return CCellKind::kCheck;
  const std::string_view key = c->key;
  if (IsSizeKey(key) || IsPortKey(key) || key == "type" || key == "scale_state" ||
      key == "scale_type")
    return CCellKind::kChoice;
  if (IsValueColumn(layout, column) && row.tag && !ValueWords(row.tag->TagType()).empty())
    return CCellKind::kChoice;
  return CCellKind::kText;
}

std::vector<std::string> CellChoices(const CListLayout& layout, int column, const CHintObject& row,
                                     const clWorkspace& workspace) {
  const CListColumn* c = ColumnAt(layout, column);
  if (!c || CellKind(layout, column, row) != CCellKind::kChoice) return {};
  const std::string_view key = c->key;
  if (key == "size-ioa") return {"1", "2", "3"};
  if (IsSizeKey(key)) return {"1", "2"};
  if (IsPortKey(key)) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < workspace.Ports().Count(); ++i)
      names.push_back(workspace.Ports().At(i)->Name());
    return names;
  }
  if (key == "type") {
    std::vector<std::string> names;
    const int32_t count = layout.id == CListLayoutId::kTagSlave
                              ? kSlaveTypeCount
                              : static_cast<int32_t>(std::size(kMasterTagTypeOrder));
    for (int32_t i = 0; i < count; ++i) names.push_back(TagTypeName(kMasterTagTypeOrder[i]));
    return names;
  }
  if (key == "scale_state") return {"enable", "disable"};
  if (key == "scale_type") return {"linear", "factor"};
  if (row.tag) return ValueWords(row.tag->TagType());
  return {};
}

CCellInput CheckCellText(const CListLayout& layout, int column, const CHintObject& row,
                         const clWorkspace& workspace, std::string_view text) {
  CCellInput input;
  const CListColumn* c = ColumnAt(layout, column);
  if (!c || !row.device) {
    input.error = "The cell cannot be changed";
    return input;
  }
  const std::string_view key = c->key;
  if (IsValueColumn(layout, column) && row.tag) return TagValue(*row.tag, text);
  if (CellKind(layout, column, row) == CCellKind::kCheck) {
    for (const char* word : {"enable", "disable"})
      if (EqualsNoCase(text, word)) input.text = word;
    if (input.text.empty()) input.error = Quoted(text) + " is not enable or disable";
    return input;
  }
  if (CellKind(layout, column, row) == CCellKind::kChoice) {
    const std::vector<std::string> choices = CellChoices(layout, column, row, workspace);
    for (const std::string& choice : choices)
      if (EqualsNoCase(text, choice)) input.text = choice;
    if (input.text.empty()) {
      input.error = IsPortKey(key) ? "No serial port is named " + Quoted(text)
                                   : Quoted(text) + " is not " + OneOf(choices);
    } else if (key == "size-linkaddr") {
      // A smaller field must still carry the device's link address.
      input.error = CheckLinkAddress(row.device->LinkAddress(), input.text == "1" ? 1 : 2);
    }
    return input;
  }
  if (key == "name") {
    if (text.empty()) input.error = "A name cannot be empty";
    input.text = std::string(text);
    return input;
  }
  if (key == "ioa") return WholeNumber(text, "IOA", 0, kLargestIoa);
  if (key == "linkaddr")
    return WholeNumber(text, "Link address", 0, AddressLimit(row.device->LinkAddressSize()));
  if (key == "sector")
    return WholeNumber(text, "Common address", 0, AddressLimit(row.device->SectorSize()));
  if (key == "ioastructure") {
    if (!IsIoaStructure(text)) {
      input.error = "IOA structure " + Quoted(text) +
                    " is not three numbers from 0 to 255 separated by \"/\"";
    }
    input.text = std::string(text);
    return input;
  }
  // The scaling numbers.
  double number = 0;
  if (!ParseDecimal(text, number)) {
    input.error = std::string(c->title) + " " + Quoted(text) + " is not a number";
  } else {
    input.text = NumberText(number);
  }
  return input;
}

void ApplyCellInput(const CListLayout& layout, int column, const CHintObject& row,
                    const CCellInput& input) {
  const CListColumn* c = ColumnAt(layout, column);
  if (!c || !input.error.empty()) return;
  switch (layout.rows) {
    case CRowKind::kDevice:
      if (row.device) row.device->SetProperty(c->setKey, input.text);
      break;
    case CRowKind::kSector:
      if (row.sector) row.sector->SetProperty(c->setKey, input.text);
      break;
    case CRowKind::kTag:
      if (!row.tag) break;
      if (IsValueColumn(layout, column)) {
        row.tag->SetRawValue(input.value);
        break;
      }
      row.tag->SetProperty(c->setKey, input.text);
      // System commands live at address 0, as their dialog stores them.
      if (Is(*c, "type")) row.tag->SetIoa(StoredIoa(row.tag->TagType(), row.tag->Ioa()));
      break;
    case CRowKind::kNone:
      break;
  }
}

std::string RowsAsText(const CListLayout& layout, const std::vector<CHintObject>& rows) {
  std::string text;
  for (const CHintObject& row : rows) {
    for (size_t column = 0; column < layout.columns.size(); ++column) {
      if (column > 0) text += '\t';
      text += CellText(layout, static_cast<int>(column), row);
    }
    text += '\n';
  }
  return text;
}

std::vector<std::string> SplitPasteLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  const auto flush = [&] {
    if (!line.empty()) lines.push_back(line);
    line.clear();
  };
  for (char ch : text) {
    if (ch == '\n') {
      flush();
    } else if (ch != '\r') {
      line += ch;
    }
  }
  flush();
  return lines;
}

std::string PasteArrayQuestion(int row, int column, const std::vector<std::string>& lines) {
  constexpr size_t kShownLines = 5;
  std::string values;
  for (size_t i = 0; i < lines.size() && i < kShownLines; ++i) values += lines[i] + "\n";
  if (lines.size() > kShownLines) values += "...";
  return "Continue Paste Array:\n\nStart Cell [" + std::to_string(row) + "," +
         std::to_string(column) + "]\n\nValues:\n" + values;
}
