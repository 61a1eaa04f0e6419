#pragma once
#include "model/tag_text.h"
#include "protocol/cp56time.h"

// The tag's stored time stamp and the protocol's date-time carry the same seven
// fields; these convert between them.
inline clDateTime ToDateTime(const clTimeStamp& t) {
  return {t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond};
}
inline clTimeStamp ToTimeStamp(const clDateTime& t) {
  return {t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond};
}
