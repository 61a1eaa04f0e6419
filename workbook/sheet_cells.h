#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

// Lets another thread follow a read and stop it: a window that shows progress
// while its worker reads, and that closes or starts another read meanwhile.
class clReadControl {
 public:
  // The read gives up soon after, with the reason kReadStoppedReason.
  void Stop() { stop_.store(true, std::memory_order_relaxed); }
  bool Stopped() const { return stop_.load(std::memory_order_relaxed); }
  // The highest worksheet row that has received a cell so far.
  uint64_t Row() const { return row_.load(std::memory_order_relaxed); }
  void NoteRow(uint64_t row) {
    if (row > row_.load(std::memory_order_relaxed)) row_.store(row, std::memory_order_relaxed);
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> row_{0};  // written by the reading thread only
};

inline constexpr const char* kReadStoppedReason = "reading was stopped";

// The text of the cells of one worksheet that fall inside a window of rows
// 1..MaxRow and columns 1..MaxColumn (1-based, as a spreadsheet numbers them).
// Cells outside the window are dropped as they are read, so a reference far
// outside the sheet costs nothing; only non-empty cells are stored, and their
// text together may not exceed a byte budget, so no workbook can make the
// reader hold more than that.
class clSheetCells {
 public:
  static constexpr uint32_t kDefaultMaxRow = 1048576;  // the largest sheet of any format
  static constexpr uint32_t kDefaultMaxColumn = 16384;
  static constexpr size_t kDefaultTextBudget = size_t{64} << 20;

  clSheetCells() = default;
  clSheetCells(uint32_t maxRow, uint32_t maxColumn, size_t textBudget = kDefaultTextBudget)
      : maxRow_(maxRow), maxColumn_(maxColumn), textBudget_(textBudget) {}

  uint32_t MaxRow() const { return maxRow_; }
  uint32_t MaxColumn() const { return maxColumn_; }
  bool Inside(uint64_t row, uint64_t column) const {
    return row >= 1 && row <= maxRow_ && column >= 1 && column <= maxColumn_;
  }

  // Stores the text of a cell inside the window (a later value replaces an
  // earlier one); empty text removes the cell. Cells outside the window are
  // ignored. False when the text would exceed the budget (nothing is stored).
  bool Put(uint64_t row, uint64_t column, std::string text);
  // The text of a cell; "" for an empty cell or one outside the window.
  std::string_view Text(uint64_t row, uint64_t column) const;

  // A control the readers report progress to and stop at; none by default. It
  // must outlive the read.
  void SetControl(clReadControl* control) { control_ = control; }
  // Whether the read should give up; readers ask between rows.
  bool StopRequested() const { return control_ && control_->Stopped(); }

  size_t Count() const { return cells_.size(); }
  size_t TextBytes() const { return textBytes_; }
  void Clear();

 private:
  static uint64_t Key(uint64_t row, uint64_t column) { return (row << 16) | column; }

  uint32_t maxRow_ = kDefaultMaxRow;
  uint32_t maxColumn_ = kDefaultMaxColumn;
  size_t textBudget_ = kDefaultTextBudget;
  size_t textBytes_ = 0;
  clReadControl* control_ = nullptr;
  std::unordered_map<uint64_t, std::string> cells_;
};
