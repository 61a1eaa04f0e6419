#include "model/tag_import.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "model/tag_text.h"
#include "model/workspace.h"
#include "runtime/text_compare.h"

namespace {

// The types a template may name: the thirteen a slave offers.
constexpr int32_t kLastTemplateType = 13;

// The C library's decimal conversion (as atof): leading blanks skipped, then the
// longest prefix that reads as a decimal number; 0 when there is none, and for
// a number beyond the range of a double.
double LeadingDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  const size_t start = i;
  const auto digits = [&] {
    const size_t first = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i - first;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t mantissa = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return 0;
  const size_t beforeExponent = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) i = beforeExponent;
  }
  std::string number(text.substr(start, i - start));
  if (!number.empty() && number[0] == '+') number.erase(0, 1);
  double value = 0;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  return ec == std::errc() && std::isfinite(value) ? value : 0;
}

std::string Fixed(double value, int decimals) {
  char text[400];
  auto [end, ec] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return ec == std::errc() ? std::string(text, end) : NumberText(value);
}

std::string SectorName(int32_t commonAddress) {
  char name[32];
  std::snprintf(name, sizeof name, "Sector%d", commonAddress);
  return name;
}

const char* OnOff(bool on) { return on ? "On" : "Off"; }

const char* ScaleTypeText(int32_t scaleType) {
  switch (scaleType) {
    case clTag::kFlagLinearScaling:
      return "Linear";
    case clTag::kFlagFactorScaling:
      return "Factor";
    default:
      return "";
  }
}

// The sector of the device with the common address, created when there is none.
clSector& SectorFor(clWorkspace& workspace, clDevice& device, int32_t commonAddress) {
  if (clSector* found = device.Sectors()->FindByCommonAddress(commonAddress)) return *found;
  auto sector = std::make_unique<clSector>();
  clSector* raw = sector.get();
  sector->SetName(SectorName(commonAddress));
  sector->SetCommonAddress(commonAddress);
  workspace.CommitSector(device, std::move(sector));
  return *raw;
}

// The tags imported so far, by common address and name (without regard to
// letter case), each name mapped to the first tag that took it: what
// FindByCommonAddress and FindByName would find among them, in logarithmic time.
struct NameKey {
  int32_t commonAddress;
  std::string name;
};
struct NameKeyLess {
  bool operator()(const NameKey& a, const NameKey& b) const {
    if (a.commonAddress != b.commonAddress) return a.commonAddress < b.commonAddress;
    return CompareNoCase(a.name, b.name) < 0;
  }
};
using ImportedTags = std::map<NameKey, int32_t, NameKeyLess>;

std::unique_ptr<clTag> TagFor(clWorkspace& workspace, const clDevice& device,
                              const clSector& sector, const clImportRow& row,
                              const ImportedTags& imported) {
  auto tag = std::make_unique<clTag>();
  tag->SetId(workspace.TakeTagId());
  tag->SetSectorId(sector.Id());
  tag->SetName(row.tagName);
  tag->SetType(row.type);
  tag->SetIoa(row.ioa);
  if (device.Kind() == clDevice::kMaster) {
    tag->SetScalingEnabled(row.scalingEnabled);
    tag->SetScaleType(row.scaleType);
    tag->SetRawMin(row.rawMin);
    tag->SetRawMax(row.rawMax);
    tag->SetEngMin(row.engMin);
    tag->SetEngMax(row.engMax);
    tag->SetScaleFactor(row.scaleFactor);
    return tag;
  }
  tag->SetLinkEnabled(row.linkEnabled);
  if (row.linkEnabled) {
    // Only tags imported before this row exist yet.
    auto target = imported.find({row.linkSector, row.linkTagName});
    if (target != imported.end()) tag->SetLinkTarget(target->second);
  }
  tag->SetValue(row.value);
  return tag;
}

}  // namespace

void StoreImportCell(clImportRow& row, std::string_view key, std::string_view text) {
  if (text.find("unknown:") != std::string_view::npos) text = {};
  if (key == "sector") {
    row.sector = LeadingInt32(text);
  } else if (key == "tag_name") {
    row.tagName = std::string(text);
  } else if (key == "type") {
    const int32_t type = TagTypeFromName(text);
    row.type = type <= kLastTemplateType ? type : 0;
  } else if (key == "ioa") {
    row.ioa = LeadingInt32(text);
  } else if (key == "scale_state") {
    if (EqualsNoCase(text, "OFF")) row.scalingEnabled = false;
    if (EqualsNoCase(text, "ON")) row.scalingEnabled = true;
  } else if (key == "scale_type") {
    if (EqualsNoCase(text, "LINEAR")) row.scaleType = clTag::kFlagLinearScaling;
    if (EqualsNoCase(text, "FACTOR")) row.scaleType = clTag::kFlagFactorScaling;
  } else if (key == "scale_raw_min") {
    row.rawMin = LeadingDecimal(text);
  } else if (key == "scale_raw_max") {
    row.rawMax = LeadingDecimal(text);
  } else if (key == "scale_eng_min") {
    row.engMin = LeadingDecimal(text);
  } else if (key == "scale_eng_max") {
    row.engMax = LeadingDecimal(text);
  } else if (key == "scale_factor") {
    row.scaleFactor = LeadingDecimal(text);
  } else if (key == "link_state") {
    row.linkEnabled = EqualsNoCase(text, "on");
  } else if (key == "link_sector") {
    row.linkSector = LeadingInt32(text);
  } else if (key == "link_name") {
    row.linkTagName = std::string(text);
  } else if (key == "value") {
    row.value = LeadingDecimal(text);
  }
}

std::vector<clImportRow> ReadImportRows(const clImportCellText& cell) {
  std::vector<clImportRow> rows;
  int32_t emptyRows = 0;
  for (int32_t r = kImportFirstRow; r < kImportRowEnd; ++r) {
    const std::string_view first = cell(r, 1);
    if (first.empty() || first.find("unknown:") != std::string_view::npos) {
      if (++emptyRows >= kImportEmptyRowsToStop) break;
      continue;
    }
    emptyRows = 0;
    clImportRow row;
    row.sheetRow = r;
    for (int32_t c = 1; c <= kImportColumnCount; ++c)
      StoreImportCell(row, kImportColumnKeys[c - 1], c == 1 ? first : cell(r, c));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string ImportTags(clWorkspace& workspace, clDevice& device,
                       const std::vector<clImportRow>& rows) {
  if (device.IsRunning()) return kImportRefused;
  if (rows.empty()) return kNoItemSelected;
  if (device.Kind() != clDevice::kMaster && device.Kind() != clDevice::kSlave)
    return "Tags are imported into a master or a slave";
  device.Sectors()->RemoveAll();
  // Each sector's tags are gathered in row order, then sorted by name, equal
  // names keeping that order: the list AddSorted row by row would build.
  std::map<clSector*, std::vector<std::unique_ptr<clTag>>> gathered;
  ImportedTags imported;
  for (const clImportRow& row : rows) {
    clSector& sector = SectorFor(workspace, device, row.sector);
    std::unique_ptr<clTag> tag = TagFor(workspace, device, sector, row, imported);
    imported.try_emplace({row.sector, row.tagName}, tag->Id());
    gathered[&sector].push_back(std::move(tag));
  }
  for (auto& [sector, tags] : gathered) {
    std::stable_sort(tags.begin(), tags.end(), [](const auto& a, const auto& b) {
      return CompareNoCase(a->Name(), b->Name()) < 0;
    });
    sector->Tags().AppendAll(std::move(tags));
  }
  return "";
}

std::vector<std::string> ImportRowCells(const clImportRow& row, bool master) {
  std::vector<std::string> cells = {std::to_string(row.sector), row.tagName, TagTypeName(row.type),
                                    std::to_string(row.ioa)};
  if (master) {
    cells.insert(cells.end(), {OnOff(row.scalingEnabled), ScaleTypeText(row.scaleType),
                               Fixed(row.rawMin, 2), Fixed(row.rawMax, 2), Fixed(row.engMin, 2),
                               Fixed(row.engMax, 2), Fixed(row.scaleFactor, 2)});
  } else {
    cells.insert(cells.end(), {OnOff(row.linkEnabled), std::to_string(row.linkSector),
                               row.linkTagName, NumberText(row.value)});
  }
  return cells;
}
