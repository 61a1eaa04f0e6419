#include "model/tag_text.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "runtime/text_compare.h"

namespace {

constexpr const char* kTypeNames[kLastTagType + 1] = {
    "",
    "Single Point",
    "Double Point",
    "Measured Normalized",
    "Measured Scaled",
    "Measured Float",
    "Integrated Totals",
    "Step Position",
    "Single Command",
    "Double Command",
    "SetPoint Normalized Command",
    "SetPoint Scaled Command",
    "SetPoint Float Command",
    "Regulating Step Command",
    "Interrogation Command",
    "Clock Synchronization Command",
};

struct CauseName {
  int32_t cause;
  const char* text;
};
constexpr CauseName kCauseNames[] = {
    {1, "Periodic"},
    {2, "Background Scan"},
    {3, "Spontaneous"},
    {4, "Initialized"},
    {5, "Request"},
    {6, "Activation"},
    {7, "Activation Confirmation"},
    {8, "Deactivation"},
    {9, "Deactivation Confirmation"},
    {10, "Activation Termination"},
    {11, "Return information caused by a remote command"},
    {12, "Return information caused by a local command"},
    {13, "File transfer"},
    {20, "Interrogation"},
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

}  // namespace

const char* TagTypeName(int32_t type) {
  return type >= kFirstTagType && type <= kLastTagType ? kTypeNames[type] : "";
}

int32_t TagTypeFromName(std::string_view name) {
  for (int32_t type = kFirstTagType; type <= kLastTagType; ++type) {
    if (EqualsNoCase(name, kTypeNames[type])) return type;
  }
  return 0;
}

const char* CauseText(int32_t cause) {
  for (const CauseName& entry : kCauseNames) {
    if (entry.cause == cause) return entry.text;
  }
  return "Not Defined";
}

bool ParseInt32(std::string_view text, int32_t& out) {
  text = Trim(text);
  if (text.empty() || text.size() > 32) return false;
  std::string copy(text);
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(copy.c_str(), &end, 10);
  if (errno != 0 || end != copy.c_str() + copy.size()) return false;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<int32_t>(v);
  return true;
}

bool ParseDecimal(std::string_view text, double& out) {
  text = Trim(text);
  if (text.empty() || text.size() > 400) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.' &&
        c != 'e' && c != 'E')
      return false;
  }
  std::string copy(text);
  char* end = nullptr;
  double v = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

int32_t LeadingInt32(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t v = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > int64_t{INT32_MAX} + 1) v = int64_t{INT32_MAX} + 1;
  }
  if (negative) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  return static_cast<int32_t>(v);
}
