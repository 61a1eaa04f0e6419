#pragma once
#include <cstdint>
#include <vector>

#include "protocol/cp56time.h"
#include "protocol/iec101_frame.h"

// How the element octets of one type identification are read.
enum class ElementKind : uint8_t {
  kSinglePoint,         // SIQ
  kDoublePoint,         // DIQ
  kStepPosition,        // VTI, QDS
  kNormalized,          // NVA, QDS
  kScaled,              // SVA, QDS
  kFloat,               // R32, QDS
  kCounter,             // BCR
  kSingleCommand,       // SCO
  kDoubleCommand,       // DCO
  kStepCommand,         // RCO
  kNormalizedSetpoint,  // NVA, QOS
  kScaledSetpoint,      // SVA, QOS
  kFloatSetpoint,       // R32, QOS
  kInterrogation,       // QOI
  kClockSync,           // CP56Time2a
};

// Layout of one supported type identification.
struct clElementLayout {
  uint8_t typeId;
  uint8_t objectSize;  // octets after the object address, time tag included
  ElementKind kind;
  bool timed;       // a CP56Time2a follows the value and quality octets
  bool firstOnly;   // commands: only the first object is decoded
  uint8_t tagType;  // tag type code a role stores the object under
};

// The layout of typeId (its low 7 bits), or null for a type no decoder handles.
const clElementLayout* FindElementLayout(uint32_t typeId);

// Steps through the information objects of a received data unit. An object is given
// only when every one of its octets (address and element) lies before the checksum
// octet, and no more objects than the qualifier announces (one for command types).
class clObjectWalker {
 public:
  clObjectWalker(const clIEC101Frame& frame, int32_t objectSize, uint32_t maxObjects);
  // The address and element position of the next object; false when there is none.
  bool Next(uint32_t& address, int32_t& element);

 private:
  const clIEC101Frame& frame_;
  int32_t objectSize_;
  uint32_t remaining_;
  bool sequence_;
  int32_t position_;  // next object (SQ 0) or next element (SQ 1)
  int32_t limit_;     // index of the checksum octet
  uint32_t nextAddress_ = 0;
  bool started_ = false;
};

// One decoded information object.
struct clInformationObject {
  uint32_t address = 0;
  double value = 0;           // the value a role stores in its tag
  int32_t state = 0;          // integer form: SPI, DPI, VTI, SVA, counter, SCS/DCS/RCS, QOI
  uint8_t qualityOctet = 0;   // SIQ, DIQ, QDS, BCR sequence octet, QOS or the command octet
  uint32_t qualityFlags = 0;  // tag flag word: BL 0x01, SB 0x02, NT 0x04, IV 0x08, OV 0x10
  bool select = false;        // commands: S/E
  uint8_t qualifier = 0;      // commands: QU; set-points: QL; interrogation: QOI
  bool timed = false;         // time came from a CP56Time2a in the object
  clDateTime time;            // the object's time tag, or the reception time
};

// Decodes the objects of a received data unit of a supported type. receptionTime is the
// local time at which decoding began: untimed objects take it, and a time tag that is
// not a valid date and time leaves the time of the previous object (the reception time
// for the first). Returns no objects for a frame that is not variable, a type without a
// layout, or unsupported sizes.
std::vector<clInformationObject> DecodeObjects(const clIEC101Frame& frame,
                                               const clDateTime& receptionTime);
