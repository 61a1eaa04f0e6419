#include "json/json_fields.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "model/cp1252.h"
#include "runtime/text_compare.h"

namespace {

[[noreturn]] void FailAt(const std::string& path, const std::string& what) {
  throw clJsonError{path.empty() ? what : path + ": " + what};
}

std::string Quoted(const clJson& value) {
  std::string text = value.is_string() ? value.get<std::string>() : value.dump();
  if (text.size() > 40) text = text.substr(0, 40) + "...";
  return "'" + text + "'";
}

}  // namespace

std::string ElementPath(const std::string& arrayPath, size_t index) {
  return arrayPath + "[" + std::to_string(index) + "]";
}

int32_t JsonInt(const clJson& value, const std::string& path) {
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  const char* range = "out of range (-2147483648 to 2147483647)";
  if (value.is_number_unsigned()) {
    if (value.get<uint64_t>() > static_cast<uint64_t>(kMax)) FailAt(path, range);
    return static_cast<int32_t>(value.get<uint64_t>());
  }
  if (value.is_number_integer()) {
    const int64_t n = value.get<int64_t>();
    if (n < kMin || n > kMax) FailAt(path, range);
    return static_cast<int32_t>(n);
  }
  if (value.is_number_float()) {
    const double d = value.get<double>();
    if (d != std::floor(d)) FailAt(path, "not a whole number");
    if (d < static_cast<double>(kMin) || d > static_cast<double>(kMax)) FailAt(path, range);
    return static_cast<int32_t>(d);
  }
  FailAt(path, "not a number");
}

clJsonFields::clJsonFields(const clJson& value, std::string path,
                           std::initializer_list<std::string_view> known)
    : object_(value), path_(std::move(path)) {
  if (!value.is_object()) FailAt(path_, "not an object");
  for (const auto& item : value.items()) {
    bool found = false;
    for (std::string_view key : known) found = found || key == item.key();
    if (!found) FailAt(PathOf(item.key().c_str()), "unknown field");
  }
}

std::string clJsonFields::PathOf(const char* key) const {
  return path_.empty() ? std::string(key) : path_ + "." + key;
}

void clJsonFields::Fail(const char* key, const std::string& what) const {
  FailAt(PathOf(key), what);
}

int32_t clJsonFields::Int(const char* key, int32_t fallback) const {
  return Has(key) ? JsonInt(object_.at(key), PathOf(key)) : fallback;
}

int32_t clJsonFields::IntOrName(const char* key, int32_t fallback, const clNamedCode* names,
                                size_t count, const char* what) const {
  if (!Has(key)) return fallback;
  const clJson& value = object_.at(key);
  if (!value.is_string()) return JsonInt(value, PathOf(key));
  const std::string text = value.get<std::string>();
  for (size_t i = 0; i < count; ++i)
    if (EqualsNoCase(text, names[i].name)) return names[i].code;
  std::string known;
  for (size_t i = 0; i < count; ++i) known += std::string(i ? ", " : "") + names[i].name;
  Fail(key, std::string("unknown ") + what + " " + Quoted(value) + " (" + known +
                ", or a number)");
}

double clJsonFields::Double(const char* key, double fallback) const {
  if (!Has(key)) return fallback;
  const clJson& value = object_.at(key);
  if (value.is_number()) return value.get<double>();
  if (value.is_string()) {
    const std::string text = value.get<std::string>();
    if (text == "NaN") return std::numeric_limits<double>::quiet_NaN();
    if (text == "Infinity") return std::numeric_limits<double>::infinity();
    if (text == "-Infinity") return -std::numeric_limits<double>::infinity();
    // "NaN:0x7FF8000000000001": a NaN with these exact bits.
    uint64_t bits = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "NaN:0x%16" SCNx64 "%c", &bits, &end) == 1 &&
        text.size() == 22) {
      double nan = 0;
      std::memcpy(&nan, &bits, sizeof nan);
      if (std::isnan(nan)) return nan;
    }
  }
  Fail(key, "not a number");
}

bool clJsonFields::Bool(const char* key, bool fallback) const {
  if (!Has(key)) return fallback;
  const clJson& value = object_.at(key);
  if (!value.is_boolean()) Fail(key, "not true or false");
  return value.get<bool>();
}

std::string clJsonFields::Text(const char* key, const std::string& fallback) const {
  if (!Has(key)) return fallback;
  const clJson& value = object_.at(key);
  if (!value.is_string()) Fail(key, "not a string");
  std::string text = value.get<std::string>();
  // The file holds 8-bit text; a character it cannot hold would come back as "?".
  if (Cp1252ToUtf8(Utf8ToCp1252(text)) != text)
    Fail(key, "holds a character the workspace file cannot store (Windows-1252 only)");
  return text;
}

const clJson* clJsonFields::Array(const char* key) const {
  if (!Has(key)) return nullptr;
  const clJson& value = object_.at(key);
  if (!value.is_array()) Fail(key, "not an array");
  return &value;
}
