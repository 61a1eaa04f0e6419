#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/document/update_hint.h"

class clWorkspace;

// The tables of the workspace list: which columns each selection shows, the
// property key behind every column, which cells the user may change, what a
// cell offers and accepts. Plain code without widgets, shared by the list (which
// shows and edits) and the document (which pastes, copies and deletes).
//
// A row is a CHintObject: a device row has its device; a sector row its sector
// and device; a tag row its tag, its sector (none for a monitor's tag) and its
// device.

enum class CListLayoutId {
  kNone,
  kChannelMaster,   // master root: the master devices
  kChannelSlave,    // slave root: the slave devices
  kChannelMonitor,  // monitor root: the monitors
  kSector,          // a master or slave: its sectors
  kTagMaster,       // a master sector: its tags
  kTagSlave,        // a slave sector: its tags
  kDeviceMonitor,   // a monitor: its tags
};

enum class CRowKind { kNone, kDevice, kSector, kTag };

struct CListColumn {
  const char* title;
  const char* key;     // the property read
  const char* setKey;  // the property written; "" for a column never edited
  bool live;           // rewritten on every refresh
};

struct CListLayout {
  CListLayoutId id = CListLayoutId::kNone;
  const char* name = "";  // the column widths are stored under it
  CRowKind rows = CRowKind::kNone;
  std::span<const CListColumn> columns;
};

const CListLayout& ListLayout(CListLayoutId id);

// How a cell is edited: typed text, a choice of fixed texts, or a check box.
enum class CCellKind { kText, kChoice, kCheck };

// The cell's text, read through its column's key.
std::string CellText(const CListLayout& layout, int column, const CHintObject& row);
// True when the user may change the cell now. While a device runs its device,
// sector and master-tag rows are read-only; in a running slave's tag table only
// the value cells of monitored types stay editable (the change is reported to
// the master); time stamps never change by hand; a monitor's tags never do.
bool CellEditable(const CListLayout& layout, int column, const CHintObject& row);
CCellKind CellKind(const CListLayout& layout, int column, const CHintObject& row);
// The texts a choice cell offers, in order (ports: the workspace's ports).
std::vector<std::string> CellChoices(const CListLayout& layout, int column, const CHintObject& row,
                                     const clWorkspace& workspace);

// A text checked for a cell: the message when refused, else the text to store
// (a choice in its own spelling) and, for a value cell, the value.
struct CCellInput {
  std::string error;
  std::string text;
  double value = 0;
};
// Checks a text typed or pasted into an editable cell. Values a tag cannot hold
// (text in a number cell, a number outside the tag type's range) and anything
// outside a choice are refused with a message that says what the cell takes.
CCellInput CheckCellText(const CListLayout& layout, int column, const CHintObject& row,
                         const clWorkspace& workspace, std::string_view text);
// Stores a checked input in a stopped device's object (a running slave's value
// goes through its engine instead).
void ApplyCellInput(const CListLayout& layout, int column, const CHintObject& row,
                    const CCellInput& input);
// True for the value column of a tag table.
bool IsValueColumn(const CListLayout& layout, int column);

// The rows as tab-separated text, one line per row, every column's text.
std::string RowsAsText(const CListLayout& layout, const std::vector<CHintObject>& rows);

// Plain text pasted as a column: split at line feeds, carriage returns dropped,
// empty lines skipped.
std::vector<std::string> SplitPasteLines(std::string_view text);
// The question before a paste array: the focus cell (row counted from 1 below
// the header, column from 0) and the first five lines, then "..." when there are
// more.
std::string PasteArrayQuestion(int row, int column, const std::vector<std::string>& lines);
