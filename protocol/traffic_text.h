#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/asdu.h"
#include "protocol/cp56time.h"
#include "protocol/iec101_frame.h"
#include "runtime/traffic_record.h"

// Which device produces the text; each role keeps its own wording of a few lines.
enum class TrafficRole : uint8_t { kMonitor, kMaster, kSlave };

// Where a frame was seen, as far as the wording depends on it.
struct clTrafficView {
  TrafficRole role = TrafficRole::kMonitor;
  int32_t port = 1;       // monitor: 1 is the master's line (requests), 2 the slave's
  bool received = true;   // slave: received frames are requests, sent ones responses
  bool balanced = false;  // master in balanced mode: link lines carry DIR
};

// Fills the decoded texts of a frame into record: kind, bytes text, title, detail (link
// control line), ASDU text, cause text and one element per decoded object. The received
// flag and the time stamp are the producer's and are left alone. receptionTime is the
// local time at which decoding began (see DecodeObjects). Never fails.
void DecodeTrafficText(const clIEC101Frame& frame, const clTrafficView& view,
                       const clDateTime& receptionTime, clTrafficRecord& record);

// Title and link control line of a single character or fixed frame, and for a variable
// frame the link control line only; kind 0 and the bytes text.
void FillLinkText(const clIEC101Frame& frame, const clTrafficView& view, clTrafficRecord& record);

// Title, ASDU text, cause text, kind and elements of a variable frame from objects
// already decoded with DecodeObjects. A type without a decoder gets the role's wording.
void FillAsduText(const clIEC101Frame& frame, TrafficRole role,
                  const std::vector<clInformationObject>& objects, clTrafficRecord& record);

// An event record (kind 1001): the event text as title, the octets gathered so far as
// bytes text, no description lines and no elements.
void FillEventRecord(const clIEC101Frame& frame, const std::string& text, clTrafficRecord& record);

// "Link Control: <long function name> [PRM:p FCV:v FCB:b] LinkAdr: a" (request form) or
// "[PRM:p ACD:a DFC:d]" (response form), with "DIR:d " in front of PRM when withDir.
std::string LinkControlLine(const clIEC101Frame& frame, bool requestForm, bool withDir);

// "%f" without trailing zeros and without a trailing decimal separator; 0 gives "0", and
// so does any value that prints as a signed zero.
std::string FormatNumber(double value);
