#include "protocol/cp56time.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {
constexpr int32_t kMillisecondsPerSecond = 1000;
constexpr int32_t kCenturyBase = 2000;
}  // namespace

void EncodeCP56Time2a(const clDateTime& time, uint8_t* octets) {
  uint32_t ms = static_cast<uint32_t>(time.second * kMillisecondsPerSecond + time.millisecond);
  octets[0] = static_cast<uint8_t>(ms & 0xFF);
  octets[1] = static_cast<uint8_t>((ms >> 8) & 0xFF);
  octets[2] = static_cast<uint8_t>(time.minute & 0x3F);
  octets[3] = static_cast<uint8_t>(time.hour & 0x1F);
  octets[4] = static_cast<uint8_t>(time.day & 0x1F);
  octets[5] = static_cast<uint8_t>(time.month & 0x0F);
  octets[6] = static_cast<uint8_t>((time.year % kCenturyBase) & 0x7F);
}

bool IsValidDate(int32_t year, int32_t month, int32_t day) {
  static constexpr int32_t kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int32_t days = kDaysInMonth[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= days;
}

bool DecodeCP56Time2a(const uint8_t* octets, clDateTime& time) {
  int32_t ms = octets[0] | (octets[1] << 8);
  clDateTime decoded;
  decoded.second = ms / kMillisecondsPerSecond;
  decoded.millisecond = ms % kMillisecondsPerSecond;
  decoded.minute = octets[2] & 0x3F;  // bit 7 is IV
  decoded.hour = octets[3] & 0x7F;    // bit 7 is SU; bits 5-6 are reserved and make it invalid
  decoded.day = octets[4] & 0x1F;     // bits 5-7 are the day of week
  decoded.month = octets[5];          // reserved bits 4-7 make the month invalid
  decoded.year = octets[6] + kCenturyBase;
  if (!IsValidDate(decoded.year, decoded.month, decoded.day) || decoded.hour > 23 ||
      decoded.minute > 59 || decoded.second > 59)
    return false;
  time = decoded;
  return true;
}

std::string FormatTime(const clDateTime& t) {
  char text[96];  // seven words of any value fit
  int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month,
                        t.day, t.hour, t.minute, t.second, t.millisecond);
  return n < 0 ? std::string()
               : std::string(text, static_cast<size_t>(n) < sizeof text ? static_cast<size_t>(n)
                                                                        : sizeof text - 1);
}

clDateTime LocalNow() { return LocalTimeAt(std::chrono::system_clock::now()); }

clDateTime LocalTimeAt(std::chrono::system_clock::time_point now) {
  using namespace std::chrono;
  std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  clDateTime time;
  time.year = local.tm_year + 1900;
  time.month = local.tm_mon + 1;
  time.day = local.tm_mday;
  time.hour = local.tm_hour;
  time.minute = local.tm_min;
  time.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second stays in its minute
  time.millisecond =
      static_cast<int32_t>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return time;
}
