#include "protocol/asdu_names.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct NameCase {
  uint32_t number;
  const char* expected;
  const char* reason;
};

TEST(AsduNames_Cause, NamesWholeCauseNumber) {
  const NameCase cases[] = {
      {1, "periodic", "first entry"},
      {3, "spontaneous", "typical monitor cause"},
      {4, "initialised", "british spelling kept"},
      {7, "activation confirmation", "positive confirmation"},
      {10, "activation termination", ""},
      {11, "return information caused by a remote command", ""},
      {13, "file transfer", "last of the contiguous run"},
      {20, "interrogated by general interrogation", "station interrogation"},
      {0x47, "negative confirmation", "cause 7 with P/N bit, one-octet cause"},
      {0, "not implemented", "zero is not a cause"},
      {14, "not implemented", "gap after file transfer"},
      {19, "not implemented", "just below 20"},
      {21, "not implemented", "just above 20"},
      {0x43, "not implemented", "spontaneous with P/N bit has no name"},
      {0x83, "not implemented", "test bit is part of the number"},
      {0x0503, "not implemented", "two-octet cause 3 from originator 5"},
      {0x0100 | 20, "not implemented", "originator makes the number leave the table"},
      {0xFFFFFFFFu, "not implemented", "far out of range"},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(CauseName(c.number), c.expected) << c.number << ": " << c.reason;
  }
}

TEST(AsduNames_Type, NamesTypeIdentification) {
  const NameCase cases[] = {
      {1, "Single-point information", ""},
      {9, "Measured normalised", ""},
      {10, "Measured normalised value with time tag", "wording differs from 9"},
      {13, "Measured float", ""},
      {19, "Packed output circuit information of protection equipment with time tag", ""},
      {21, "Measured normalised without quality descriptor", "end of first run"},
      {30, "Single-point information with time tag CP56Time2a", "start of timed run"},
      {34, "Measured normalised with with time tag CP56Time2a", "doubled word kept"},
      {35, "Measured scaled with with time tag CP56Time2a", "doubled word kept"},
      {40, "Packed tripping events of protection equipment with time tag CP56Time2a", ""},
      {45, "Single command", ""},
      {47, "Step command", ""},
      {50, "Set point command, short floating point value", ""},
      {70, "End of initialisation", ""},
      {100, "Interrogation command", ""},
      {103, "Clock synchronisation command", ""},
      {105, "Reset process command", "last named type"},
      {0x81, "Single-point information", "bit 7 ignored"},
      {0x80 | 45, "Single command", "bit 7 ignored"},
      {0, "not implemented", "non-variable frame"},
      {0x80, "not implemented", "masks to 0"},
      {22, "not implemented", "gap after 21"},
      {29, "not implemented", "gap before 30"},
      {41, "not implemented", "gap after 40"},
      {44, "not implemented", "gap before 45"},
      {51, "not implemented", "gap after 50"},
      {101, "not implemented", "counter interrogation not named"},
      {102, "not implemented", "read command not named"},
      {106, "not implemented", "first past the table"},
      {127, "not implemented", "highest 7-bit value"},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(TypeName(c.number), c.expected) << c.number << ": " << c.reason;
  }
}

TEST(AsduNames_Qualifier, NamesFourQualifiersOthersEmpty) {
  const NameCase cases[] = {
      {0, "No Pulse", ""},          {1, "Short Pulse", ""},
      {2, "Long Pulse", ""},        {3, "Latch", ""},
      {4, "", "first unnamed"},     {31, "", "highest 5-bit"},
      {0xFFFFFFFFu, "", "far out"},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(QualifierName(c.number), c.expected) << c.number << ": " << c.reason;
  }
}

struct QualityTextCase {
  uint8_t octet;
  bool withOverflow;
  const char* text;
  const char* reason;
};

TEST(AsduNames_Quality, StatusTextListsSetBitsInTableOrder) {
  const QualityTextCase cases[] = {
      {0x00, true, "", "good quality"},
      {0x91, false, "Block,Invalid", "single point on, blocked and invalid"},
      {0xF0, false, "Block,Substituted,Not Topical,Invalid", "all shared bits"},
      {0xF1, true, "Overflow,Block,Substituted,Not Topical,Invalid", "overflow comes first"},
      {0x01, false, "", "bit 0 of SIQ is the value"},
      {0x03, false, "", "bits 0-1 of DIQ are the value"},
      {0x0E, true, "", "reserved QDS bits have no name"},
      {0x41, true, "Overflow,Not Topical", ""},
  };
  for (const QualityTextCase& c : cases) {
    EXPECT_EQ(QualityText(c.octet, c.withOverflow), c.text) << c.reason;
  }
}

struct OctetCase {
  uint8_t octet;
  bool isQds;
  uint32_t flags;
  const char* reason;
};

TEST(AsduNames_Quality, OctetBecomesFlagWord) {
  const OctetCase cases[] = {
      {0x00, true, 0x00, "good"},
      {0x10, false, 0x01, "BL"},
      {0x20, false, 0x02, "SB"},
      {0x40, false, 0x04, "NT"},
      {0x80, false, 0x08, "IV"},
      {0x01, true, 0x10, "QDS overflow"},
      {0x01, false, 0x00, "SIQ bit 0 is the value, not OV"},
      {0x03, false, 0x00, "DIQ value bits carry no quality"},
      {0xF1, true, 0x1F, "all QDS flags"},
      {0xF3, false, 0x0F, "all DIQ flags with value on"},
      {0x0E, true, 0x00, "reserved QDS bits ignored"},
  };
  for (const OctetCase& c : cases) {
    EXPECT_EQ(QualityFlagsFromOctet(c.octet, c.isQds), c.flags) << c.reason;
  }
}

}  // namespace
