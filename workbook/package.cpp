#include "workbook/package.h"

#include "workbook/format_readers.h"

namespace {

std::string Lower(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

}  // namespace

std::string clPackage::ReadAll(std::string_view name, size_t limit, std::string& out) const {
  out.clear();
  return Read(name, limit, [&out](const char* data, size_t size) {
    out.append(data, size);
    return true;
  });
}

void clMemoryPackage::Add(std::string name, std::string content) {
  parts_[Lower(name)] = std::move(content);
}

const std::string* clMemoryPackage::Find(std::string_view name) const {
  auto found = parts_.find(Lower(name));
  return found == parts_.end() ? nullptr : &found->second;
}

bool clMemoryPackage::Has(std::string_view name) const { return Find(name) != nullptr; }

std::string clMemoryPackage::Read(std::string_view name, size_t limit, const Sink& sink) const {
  const std::string* part = Find(name);
  if (!part) return DamagedReason(name, "missing");
  if (part->size() > limit) return TooLargeReason(name, limit);
  sink(part->data(), part->size());
  return "";
}
