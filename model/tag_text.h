#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/cp56time.h"
#include "protocol/traffic_text.h"

// Text forms shared by tags, sectors and devices: type and cause names, the
// number text, the time stamp, and the parsers behind SetProperty.

// Date and time of a tag's last value, as stored: the seven words of the
// protocol's date-time, each kept exactly as read (a file may hold any value, and
// it is written back unchanged).
using clTimeStamp = clDateTime;

// "%04d-%02d-%02d %02d:%02d:%02d.%03d".
inline std::string TimeStampText(const clTimeStamp& t) { return FormatTime(t); }
// The current local time.
inline clTimeStamp LocalTimeNow() { return LocalNow(); }

inline constexpr int32_t kFirstTagType = 1;
inline constexpr int32_t kLastTagType = 15;
// Name of a tag type code 1..15; "" for any other code.
const char* TagTypeName(int32_t type);
// Code of a type name (compared without regard to letter case); 0 when none.
int32_t TagTypeFromName(std::string_view name);
// Cause of transmission text; "Not Defined" outside the table.
const char* CauseText(int32_t cause);

// "%f" without trailing zeros and without a trailing decimal separator; 0 is "0".
inline std::string NumberText(double value) { return FormatNumber(value); }

// Whole text (blanks around it allowed) as a decimal integer in int32 range.
bool ParseInt32(std::string_view text, int32_t& out);
// Whole text (blanks around it allowed) as a finite decimal number.
bool ParseDecimal(std::string_view text, double& out);
// The C library's decimal conversion: leading blanks skipped, optional sign, the
// digits up to the first non-digit; 0 when there are none. Clamped to int32.
int32_t LeadingInt32(std::string_view text);
