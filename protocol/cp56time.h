#pragma once
#include <chrono>
#include <cstdint>
#include <string>

// A calendar date and time of day as carried by a CP56Time2a time tag.
struct clDateTime {
  int32_t year = 2000;
  int32_t month = 1;
  int32_t day = 1;
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;
  int32_t millisecond = 0;

  bool operator==(const clDateTime&) const = default;
};

// Octets of a CP56Time2a time tag.
inline constexpr int32_t kCP56Time2aSize = 7;

// Writes the seven octets of a CP56Time2a: milliseconds within the minute (low octet
// first), minute, hour, day of month, month, year of the century. IV, SU and the day of
// week are 0. Each field is masked to its bit width so that an out-of-range input can
// never raise IV, SU or a reserved bit.
void EncodeCP56Time2a(const clDateTime& time, uint8_t* octets);

// Reads the seven octets of a CP56Time2a. IV, SU and the day of week are ignored. The
// result replaces time only when it forms a valid date and time of day (hour <= 23,
// minute <= 59, second <= 59); otherwise time keeps the value the caller started from.
// Returns true when time was replaced.
bool DecodeCP56Time2a(const uint8_t* octets, clDateTime& time);

// True when year, month and day name a day of the Gregorian calendar.
bool IsValidDate(int32_t year, int32_t month, int32_t day);

// "yyyy-mm-dd hh:mm:ss.mmm".
std::string FormatTime(const clDateTime& time);

// The computer's local time now, to the millisecond.
clDateTime LocalNow();
// The local date and time at a moment of the system clock.
clDateTime LocalTimeAt(std::chrono::system_clock::time_point when);
