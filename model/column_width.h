#pragma once
#include <array>
#include <cstdint>
#include <string>

// The column widths (pixels) of one list layout, keyed by the layout's name
// ("ChannelMaster", "TagSlave", ...). User-interface thread only.
class clColumnWidth {
 public:
  static constexpr int32_t kColumns = 32;
  static constexpr int32_t kDefaultWidth = 50;

  clColumnWidth() { widths_.fill(kDefaultWidth); }
  explicit clColumnWidth(std::string kind) : clColumnWidth() { kind_ = std::move(kind); }

  const std::string& Kind() const { return kind_; }
  void SetKind(std::string v) { kind_ = std::move(v); }
  // Width of a column; kDefaultWidth outside 0..31.
  int32_t Width(int32_t column) const;
  // Ignored outside 0..31.
  void SetWidth(int32_t column, int32_t width);

 private:
  std::string kind_;
  std::array<int32_t, kColumns> widths_;
};
