#include "runtime/traffic_record.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace {
constexpr std::array<int32_t, 7> kCommandKinds = {45, 46, 47, 48, 49, 50, 103};
// Type 33 (bit string with time) is deliberately not listed.
constexpr std::array<int32_t, 7> kTimeTaggedKinds = {30, 31, 32, 34, 35, 36, 37};

template <typename... Args>
std::string Printf(const char* format, Args... args) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, format, args...);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof buf) return std::string(buf, static_cast<size_t>(n));
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, args...);
  out.resize(static_cast<size_t>(n));
  return out;
}
}  // namespace

void clTrafficRecord::CopyFrom(const clTrafficRecord& o) {
  kind = o.kind;
  aux = o.aux;
  received = o.received;
  bytes = o.bytes;
  title = o.title;
  asdu = o.asdu;
  detail = o.detail;
  cause = o.cause;
  date = o.date;
  secondsOfDay = o.secondsOfDay;
  milliseconds = o.milliseconds;
  elements = o.elements;
}

void clTrafficRecord::Clear() {
  kind = 0;
  aux = 0;
  bytes.clear();
  title.clear();
  asdu.clear();
  detail.clear();
  cause.clear();
  elements.clear();
}

void clTrafficRecord::AddElement(int32_t ioa, std::string value, std::string name,
                                 std::string status) {
  elements.push_back({ioa, std::move(value), std::move(name), std::move(status)});
}

void clTrafficRecord::StampAt(std::chrono::system_clock::time_point now) {
  using namespace std::chrono;
  std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  date = (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
  secondsOfDay = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  milliseconds = static_cast<int32_t>(
      duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
}

bool clTrafficRecord::IsCommandKind() const {
  return std::find(kCommandKinds.begin(), kCommandKinds.end(), kind) != kCommandKinds.end();
}

bool clTrafficRecord::IsTimeTaggedKind() const {
  return std::find(kTimeTaggedKinds.begin(), kTimeTaggedKinds.end(), kind) !=
         kTimeTaggedKinds.end();
}

std::string clTrafficRecord::FormatHeader() const {
  const std::string& bracket = bytes.empty() ? std::string("empty") : bytes;
  std::string line =
      Printf(received ? "<- %.2d:%.2d:%.2d.%.3d [" : "-> %.2d:%.2d:%.2d.%.3d [",
             secondsOfDay / 3600, secondsOfDay % 3600 / 60, secondsOfDay % 60, milliseconds);
  return line + bracket + "]\n";
}

std::string clTrafficRecord::FormatDescription() const {
  std::string out = title;
  for (const std::string* line : {&detail, &asdu, &cause})
    if (!line->empty()) out += "\n" + *line;
  return out;
}

std::string clTrafficRecord::FormatElements(bool structured) const {
  std::string out;
  for (const clTrafficElement& e : elements) {
    uint32_t ioa = static_cast<uint32_t>(e.ioa);
    std::string address =
        structured ? Printf("%.3d/%.3d/%.3d", (ioa >> 16) & 0xFF, (ioa >> 8) & 0xFF, ioa & 0xFF)
                   : Printf("%d", e.ioa);
    out += "[" + address + "] ";
    if (!e.name.empty()) out += e.name + " ";
    out += e.value + " " + e.status + "\n";
  }
  return out.empty() ? std::string(" ") : out;
}
