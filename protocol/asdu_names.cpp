#include "protocol/asdu_names.h"

#include <cstddef>
#include <string_view>

#include "protocol/iec101_codes.h"

namespace {

struct NumberName {
  uint32_t number;
  std::string_view name;
};

constexpr NumberName kCauseNames[] = {
    {1, "periodic"},
    {2, "background scan"},
    {3, "spontaneous"},
    {4, "initialised"},
    {5, "request"},
    {6, "activation"},
    {7, "activation confirmation"},
    {8, "deactivation"},
    {9, "deactivation confirmation"},
    {10, "activation termination"},
    {11, "return information caused by a remote command"},
    {12, "return information caused by a local command"},
    {13, "file transfer"},
    {20, "interrogated by general interrogation"},
    {71, "negative confirmation"},  // 0x47: activation confirmation with the P/N bit
};

constexpr NumberName kTypeNames[] = {
    {1, "Single-point information"},
    {2, "Single-point information with time tag"},
    {3, "Double-point information"},
    {4, "Double-point information with time tag"},
    {5, "Step position information"},
    {6, "Step position information with time tag"},
    {7, "Bitstring 32 bit"},
    {8, "Bitstring 32 bit with time tag"},
    {9, "Measured normalised"},
    {10, "Measured normalised value with time tag"},
    {11, "Measured scaled"},
    {12, "Measured scaled with time tag"},
    {13, "Measured float"},
    {14, "Measured float with time tag"},
    {15, "Integrated totals"},
    {16, "Integrated totals with time tag"},
    {17, "Event of protection equipment with time tag"},
    {18, "Packed start events of protection equipment with time tag"},
    {19, "Packed output circuit information of protection equipment with time tag"},
    {20, "Packed single point information with time tag"},
    {21, "Measured normalised without quality descriptor"},
    {30, "Single-point information with time tag CP56Time2a"},
    {31, "Double-point information with time tag CP56Time2a"},
    {32, "Step position information with time tag CP56Time2a"},
    {33, "Bitstring 32 bit with time tag CP56Time2a"},
    {34, "Measured normalised with with time tag CP56Time2a"},
    {35, "Measured scaled with with time tag CP56Time2a"},
    {36, "Measured float with time tag CP56Time2a"},
    {37, "Integrated totals with time tag CP56Time2a"},
    {38, "Event of protection equipment with time tag CP56Time2a"},
    {39, "Packed start events of protection equipment with time tag CP56Time2a"},
    {40, "Packed tripping events of protection equipment with time tag CP56Time2a"},
    {45, "Single command"},
    {46, "Double command"},
    {47, "Step command"},
    {48, "Set point command, normalised value"},
    {49, "Set point command, scaled value"},
    {50, "Set point command, short floating point value"},
    {70, "End of initialisation"},
    {100, "Interrogation command"},
    {103, "Clock synchronisation command"},
    {104, "Test command"},
    {105, "Reset process command"},
};

constexpr NumberName kQualifierNames[] = {
    {0, "No Pulse"},
    {1, "Short Pulse"},
    {2, "Long Pulse"},
    {3, "Latch"},
};

// Quality octet bit → flag word bit, for the bits shared by SIQ, DIQ and QDS.
struct QualityBit {
  uint8_t octetBit;
  uint32_t flag;
  const char* text;  // status text of the traffic window
};

constexpr QualityBit kSharedQualityBits[] = {
    {0x10, kQualityBlocked, "Block"},
    {0x20, kQualitySubstituted, "Substituted"},
    {0x40, kQualityNotTopical, "Not Topical"},
    {0x80, kQualityInvalid, "Invalid"},
};
constexpr uint8_t kQdsOverflowBit = 0x01;

template <size_t N>
std::string Lookup(const NumberName (&table)[N], uint32_t number, std::string_view missing) {
  for (const NumberName& entry : table) {
    if (entry.number == number) return std::string(entry.name);
  }
  return std::string(missing);
}

}  // namespace

std::string CauseName(uint32_t cause) { return Lookup(kCauseNames, cause, kNotImplemented); }

std::string TypeName(uint32_t typeId) {
  return Lookup(kTypeNames, typeId & kTypeIdMask, kNotImplemented);
}

std::string QualifierName(uint32_t qualifier) { return Lookup(kQualifierNames, qualifier, ""); }

std::string QualityText(uint8_t octet, bool withOverflow) {
  std::string text;
  auto add = [&text](const char* name) {
    if (!text.empty()) text += ',';
    text += name;
  };
  if (withOverflow && (octet & kQdsOverflowBit)) add("Overflow");
  for (const QualityBit& bit : kSharedQualityBits)
    if (octet & bit.octetBit) add(bit.text);
  return text;
}

std::string CounterStatusText(uint8_t octet) {
  std::string text = "Sequence " + std::to_string(octet & kCounterSequenceMask);
  if (octet & kCounterCarry) text += ",Carry";
  if (octet & kCounterAdjusted) text += ",Adjusted";
  if (octet & kCounterInvalid) text += ",Invalid";
  return text;
}

uint32_t CounterQualityFlags(uint8_t octet) {
  return (octet & kCounterInvalid) ? kQualityInvalid : 0;
}

uint32_t QualityFlagsFromOctet(uint8_t octet, bool isQds) {
  uint32_t flags = 0;
  for (const QualityBit& bit : kSharedQualityBits) {
    if (octet & bit.octetBit) flags |= bit.flag;
  }
  if (isQds && (octet & kQdsOverflowBit)) flags |= kQualityOverflow;
  return flags;
}
