#pragma once
#include <cstdint>
#include <string>

// Name tables of the application data unit: cause of transmission, type
// identification, qualifier of command and quality flags. Pure lookups, no state.

// Text given to any cause or type id outside its table.
inline constexpr const char* kNotImplemented = "not implemented";

// Name of a whole cause number as read from the frame: with a one-octet cause the
// P/N (bit 6) and T (bit 7) bits are part of the number; with two octets the
// originator address is the high octet. Numbers outside the table are "not implemented".
std::string CauseName(uint32_t cause);

// Name of a type identification; only the low 7 bits are used (bit 7 ignored).
// Type 0, 106 and above, and gaps in the table are "not implemented".
std::string TypeName(uint32_t typeId);

// Name of a qualifier of command (QU, the 5-bit field of SCO/DCO/RCO already shifted
// down). Values without a name give the empty text.
std::string QualifierName(uint32_t qualifier);

// Quality flag bits of the flag word stored in a tag.
inline constexpr uint32_t kQualityBlocked = 0x01;      // BL
inline constexpr uint32_t kQualitySubstituted = 0x02;  // SB
inline constexpr uint32_t kQualityNotTopical = 0x04;   // NT
inline constexpr uint32_t kQualityInvalid = 0x08;      // IV
inline constexpr uint32_t kQualityOverflow = 0x10;     // OV

// Status text of a quality octet: the names of its set bits in the order "Overflow"
// (bit 0, only when withOverflow: a QDS or the octet after a counter), "Block" (bit 4),
// "Substituted" (bit 5), "Not Topical" (bit 6), "Invalid" (bit 7), joined by "," with
// no blank; empty when none is set.
std::string QualityText(uint8_t octet, bool withOverflow);

// The octet after a binary counter reading (integrated totals): sequence
// number in bits 0-4, carry CY (bit 5), counter adjusted CA (bit 6), invalid IV
// (bit 7); it is not a quality descriptor.
inline constexpr uint8_t kCounterSequenceMask = 0x1F;
inline constexpr uint8_t kCounterCarry = 0x20;
inline constexpr uint8_t kCounterAdjusted = 0x40;
inline constexpr uint8_t kCounterInvalid = 0x80;
// "Sequence %d", then ",Carry", ",Adjusted" and ",Invalid" for the bits set.
std::string CounterStatusText(uint8_t octet);
// Its flag word: only IV carries a quality (kQualityInvalid).
uint32_t CounterQualityFlags(uint8_t octet);

// Flag word of a quality octet: BL, SB, NT, IV from bits 4-7 of SIQ, DIQ or QDS;
// OV from bit 0 only when the octet is a QDS (in SIQ/DIQ bit 0 is the value).
uint32_t QualityFlagsFromOctet(uint8_t octet, bool isQds);
