#include "model/column_widths.h"

#include <initializer_list>

namespace {

struct DefaultLayout {
  const char* kind;
  std::initializer_list<int32_t> widths;
};

const DefaultLayout kDefaultLayouts[] = {
    {"ChannelMaster", {150, 70, 80, 80, 80, 80, 80, 80}},
    {"ChannelSlave", {150, 70, 80, 80, 80, 80, 80, 80}},
    {"ChannelMonitor", {150, 70, 70, 80, 80, 80, 80, 80}},
    {"Sector", {150, 70, 90}},
    {"TagMaster", {170, 180, 60, 90, 70, 90, 135, 80, 150, 70, 70, 70, 70, 70, 70, 80}},
    {"TagSlave", {170, 180, 60, 90, 80, 135}},
    {"DeviceMonitor", {170, 180, 60, 90, 70, 90, 135, 80, 150}},
};

}  // namespace

clColumnWidth* clColumnWidths::Find(std::string_view kind) const {
  for (const auto& entry : entries_) {
    if (entry->Kind() == kind) return entry.get();
  }
  return nullptr;
}

int32_t clColumnWidths::Width(std::string_view kind, int32_t column) const {
  const clColumnWidth* entry = Find(kind);
  return entry ? entry->Width(column) : clColumnWidth::kDefaultWidth;
}

void clColumnWidths::SetWidth(std::string_view kind, int32_t column, int32_t width) {
  if (column < 0 || column >= clColumnWidth::kColumns) return;
  clColumnWidth* entry = Find(kind);
  if (!entry) {
    entries_.push_back(std::make_unique<clColumnWidth>(std::string(kind)));
    entry = entries_.back().get();
  }
  entry->SetWidth(column, width);
}

void clColumnWidths::AddDefaults() {
  for (const DefaultLayout& layout : kDefaultLayouts) {
    auto entry = std::make_unique<clColumnWidth>(layout.kind);
    int32_t column = 0;
    for (int32_t width : layout.widths) entry->SetWidth(column++, width);
    entries_.push_back(std::move(entry));
  }
}
