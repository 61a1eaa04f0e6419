// Decoded traffic text: titles, link lines, ASDU lines, element rows, role wording.
#include "protocol/traffic_text.h"

#include <gtest/gtest.h>

#include "tests/protocol/frame_test_helpers.h"

namespace {

using frame_test::Load;

const clDateTime kReception{2030, 1, 2, 3, 4, 5, 6};

clTrafficRecord Decode(const clIEC101Frame& frame, clTrafficView view = {}) {
  clTrafficRecord record;
  DecodeTrafficText(frame, view, kReception, record);
  return record;
}

clTrafficView View(TrafficRole role, int32_t port = 1, bool received = true,
                   bool balanced = false) {
  return {role, port, received, balanced};
}

TEST(TrafficText_Monitor, SinglePointFrameDecodesToItsFourLinesAndOneRow) {
  clIEC101Frame frame = Load("68 09 09 68 08 01 01 01 03 01 00 05 01 00 16", 1, 2, 1, 1);
  ASSERT_EQ(frame.Check(), FrameComplete);
  clTrafficRecord record = Decode(frame);
  EXPECT_EQ(record.kind, 1);
  EXPECT_EQ(record.bytes, frame.HexText());
  EXPECT_EQ(record.FormatDescription(),
            "Single Point Response\n"
            "Link Control: User Data Confirm [PRM:0 ACD:0 DFC:0] LinkAdr: 1\n"
            "ASDU: 1 <Single Point> Length:9 Count:1 SQ:0\n"
            "COT: 3 <spontaneous> Sector 1");
  ASSERT_EQ(record.elements.size(), 1u);
  EXPECT_EQ(record.elements[0].ioa, 5);
  EXPECT_EQ(record.elements[0].value, "On");
  EXPECT_EQ(record.elements[0].status, "");
  EXPECT_EQ(record.FormatElements(false), "[5] On \n");
}

struct ElementCase {
  const char* hex;  // checksum repaired; sizes LA 1, CA 2, IOA 2, COT 1
  const char* value;
  const char* name;
  const char* status;
  const char* reason;
};

TEST(TrafficText_Elements, ValueAndStatusTextsOfEveryElementKind) {
  const ElementCase cases[] = {
      {"68 0A 0A 68 08 01 01 01 03 01 00 05 00 91 00 16", "On", "", "Block,Invalid", "SIQ 0x91"},
      {"68 0A 0A 68 08 01 03 01 03 01 00 05 00 00 00 16", "Intransit", "", "", "DPI 0"},
      {"68 0A 0A 68 08 01 03 01 03 01 00 05 00 01 00 16", "Open", "", "", "DPI 1"},
      {"68 0C 0C 68 08 01 09 01 03 01 00 05 00 00 C0 00 00 16", "-0.5", "", "", "normalized 00 C0"},
      {"68 0B 0B 68 08 01 05 01 03 01 00 05 00 C1 10 00 16", "-63", "", "Block",
       "VTI with transient bit"},
      {"68 0A 0A 68 53 01 2D 01 06 01 00 05 00 01 00 16", "On", "", "Execute <No Pulse>",
       "SCO 0x01"},
      {"68 0A 0A 68 53 01 2D 01 06 01 00 05 00 91 00 16", "On", "", "Select <>",
       "QU above 3 has no name"},
      {"68 0A 0A 68 53 01 2F 01 06 01 00 05 00 03 00 16", "Not Permit", "", "Execute <No Pulse>",
       "RCO 3"},
      {"68 0A 0A 68 53 01 2F 01 06 01 00 05 00 02 00 16", "Higher", "", "Execute <No Pulse>",
       "RCO 2"},
      {"68 0A 0A 68 53 01 64 01 06 01 00 00 00 15 00 16", "QOI: 21 <Station Interrogation>", "", "",
       "QOI 21 keeps the text"},
      {"68 10 10 68 08 01 1E 01 03 01 00 05 00 01 5F EA 3B 8C 1F 0C 1A 00 16", "On",
       "2026-12-31 12:59:59.999", "", "ms 59999, SU bit, day of week set"},
      {"68 10 10 68 08 01 1E 01 03 01 00 05 00 01 5F EA 3B 2C 1F 0C 1A 00 16", "On",
       "2030-01-02 03:04:05.006", "", "reserved hour bit: reception time"},
      {"68 10 10 68 08 01 1E 01 03 01 00 05 00 01 5F EA 3B 0C 1F 13 1A 00 16", "On",
       "2030-01-02 03:04:05.006", "", "reserved month bit: reception time"},
  };
  for (const ElementCase& c : cases) {
    clTrafficRecord record = Decode(Load(c.hex, 1, 2, 2, 1));
    ASSERT_EQ(record.elements.size(), 1u) << c.reason;
    EXPECT_EQ(record.elements[0].value, c.value) << c.reason;
    EXPECT_EQ(record.elements[0].name, c.name) << c.reason;
    EXPECT_EQ(record.elements[0].status, c.status) << c.reason;
  }
}

struct TitleCase {
  uint8_t typeId;
  uint8_t commandOctet;  // or QOS octet for set-points
  const char* requestTitle;
  const char* responseTitle;
  const char* asduName;
};

TEST(TrafficText_Commands, TitlesFollowPrmAndTheSelectBitOfTheFirstObject) {
  const TitleCase cases[] = {
      {45, 0x81, "Single Command Select Request", "Single Command Select Response",
       "Single Command"},
      {45, 0x01, "Single Command Execute Request", "Single Command Execute Response",
       "Single Command"},
      {46, 0x82, "Double Command Select Request", "Double Command Select Response",
       "Double Command"},
      {47, 0x02, "Regulating Step Command Execute Request",
       "Regulating Step Command Execute Response", "Regulating Step Command"},
      {48, 0x80, "Setpoint Normalized Select Request", "Setpoint Normalized Select Response",
       "Setpoint Normalized Command"},
      {49, 0x00, "Setpoint Scaled Execute Request", "Setpoint Scaled Execute Response",
       "Setpoint Scaled Command"},
      {50, 0x80, "Setpoint Float Select Request", "Setpoint Float Select Response",
       "Setpoint Float Command"},
      {100, 0x94, "Interrogation Request", "Interrogation Response", "Interrogation Command"},
  };
  for (const TitleCase& c : cases) {
    for (bool request : {true, false}) {
      clIEC101Frame frame;
      frame.SetSizes(1, 2, 2, 1);
      frame.BeginAsdu(request ? 0x53 : 0x08, 1, c.typeId, request ? 6 : 7, 1);
      if (c.typeId == 48)
        frame.AppendNormalizedSetpoint(5, 0.5, c.commandOctet);
      else if (c.typeId == 49)
        frame.AppendScaledSetpoint(5, 7, c.commandOctet);
      else if (c.typeId == 50)
        frame.AppendFloatSetpoint(5, 0.5, c.commandOctet);
      else
        frame.AppendCommandObject(5, c.commandOctet);
      frame.Seal();
      clTrafficRecord record = Decode(frame);
      EXPECT_EQ(record.title, request ? c.requestTitle : c.responseTitle) << int(c.typeId);
      EXPECT_EQ(record.asdu,
                "ASDU: " + std::to_string(c.typeId) + " <" + c.asduName + "> Count:1 SQ:0");
      EXPECT_EQ(record.cause, request ? "COT: 6 <activation> Sector 1"
                                      : "COT: 7 <activation confirmation> Sector 1");
      EXPECT_EQ(record.detail.rfind(request ? "Link Control: User Data (Confirm) [PRM:1 FCV:1"
                                            : "Link Control: User Data Confirm [PRM:0 ACD:0",
                                    0),
                0u)
          << record.detail;
    }
  }
}

TEST(TrafficText_Monitor, TitlesAndAsduLinesOfEveryMonitorType) {
  const struct {
    uint8_t typeId;
    const char* title;
    const char* asduName;
  } cases[] = {
      {1, "Single Point Response", "Single Point"},
      {30, "Single Point Response", "Single Point with Time Tag CP56Time2a"},
      {3, "Double Point Response", "Double Point"},
      {31, "Double Point Response", "Double Point with Time Tag CP56Time2a"},
      {9, "Measured Normalized Response", "Measured Normalized"},
      {34, "Measured Normalized Response", "Measured Normalized with Time Tag CP56Time2a"},
      {11, "Measured Scale Response", "Measured Scale"},
      {35, "Measured Scaled Response", "Measured Scaled with Time Tag CP56Time2a"},
      {13, "Measured Float Response", "Measured Float"},
      {36, "Measured Float Response", "Measured Float with Time Tag CP56Time2a"},
      {5, "Step Position Response", "Step Position"},
      {32, "Step Position Response", "Step Position with Time Tag CP56Time2a"},
      {15, "Integrated Total Response", "Integrated Total"},
      {37, "Integrated Total Response", "Integrated Total with Time Tag CP56Time2a"},
  };
  for (const auto& c : cases) {
    // Two objects announced and none present: the lines do not depend on the objects.
    clIEC101Frame frame = Load("68 07 07 68 08 01 00 82 14 02 00 00 16", 1, 2, 2, 1);
    frame.MutableData()[6] = c.typeId;
    for (TrafficRole role : {TrafficRole::kMonitor, TrafficRole::kMaster, TrafficRole::kSlave}) {
      clTrafficRecord record = Decode(frame, View(role));
      EXPECT_EQ(record.title, c.title);
      EXPECT_EQ(record.asdu, "ASDU: " + std::to_string(c.typeId) + " <" + c.asduName +
                                 "> Length:7 Count:2 SQ:1");
      EXPECT_EQ(record.cause, "COT: 20 <interrogated by general interrogation> Sector 2");
      EXPECT_TRUE(record.elements.empty());
    }
  }
}

TEST(TrafficText_Link, FixedFramesAndSingleCharacterPerRole) {
  clIEC101Frame request = Load("10 49 01 4A 16", 1, 2, 2, 1);
  clIEC101Frame answer = Load("10 0B 01 0C 16", 1, 2, 2, 1);
  clIEC101Frame ack = Load("E5", 1, 2, 2, 1);
  const struct {
    const clIEC101Frame* frame;
    clTrafficView view;
    const char* description;
  } cases[] = {
      {&request, View(TrafficRole::kMonitor, 1),
       "Status of link Request\nLink Control: Status of link [PRM:1 FCV:0 FCB:0] LinkAdr: 1"},
      {&request, View(TrafficRole::kMonitor, 2),
       "Status of link Response\nLink Control: Status of link [PRM:1 ACD:0 DFC:0] LinkAdr: 1"},
      {&answer, View(TrafficRole::kMaster),
       "Status of link Response\nLink Control: Status of link [PRM:0 ACD:0 DFC:0] LinkAdr: 1"},
      {&request, View(TrafficRole::kMaster, 1, false, true),
       "Status of link Request\n"
       "Link Control: Status of link [DIR:0 PRM:1 FCV:0 FCB:0] LinkAdr: 1"},
      {&answer, View(TrafficRole::kMaster, 1, true, true),
       "Status of link Response\n"
       "Link Control: Status of link [DIR:0 PRM:0 ACD:0 DFC:0] LinkAdr: 1"},
      {&request, View(TrafficRole::kSlave, 1, true),
       "Status of link Request\nLink Control: Status of link [PRM:1 FCV:0 FCB:0] LinkAdr: 1"},
      {&answer, View(TrafficRole::kSlave, 1, false),
       "Status of link Response\nLink Control: Status of link [PRM:0 ACD:0 DFC:0] LinkAdr: 1"},
      {&ack, View(TrafficRole::kMonitor, 2), "Short Ack Response"},
      {&ack, View(TrafficRole::kMaster), "Short Ack Response"},
  };
  for (const auto& c : cases) {
    clTrafficRecord record = Decode(*c.frame, c.view);
    EXPECT_EQ(record.FormatDescription(), c.description);
    EXPECT_EQ(record.kind, 0);
  }
  // FCB, FCV, ACD, DFC and DIR each land in their own place.
  clIEC101Frame flags = Load("10 F3 02 F5 16", 1, 2, 2, 1);
  EXPECT_EQ(LinkControlLine(flags, true, true),
            "Link Control: User Data (Confirm) [DIR:1 PRM:1 FCV:1 FCB:1] LinkAdr: 2");
  clIEC101Frame acd = Load("10 28 02 2A 16", 1, 2, 2, 1);
  EXPECT_EQ(LinkControlLine(acd, false, false),
            "Link Control: User Data Confirm [PRM:0 ACD:1 DFC:0] LinkAdr: 2");
}

TEST(TrafficText_Roles, ClockSyncRequestAndUnknownTypesAreWordedByRole) {
  clIEC101Frame clock;
  clock.SetSizes(1, 2, 2, 1);
  clock.BeginAsdu(0x53, 1, 103, 6, 1);
  clock.AppendTimeObject(0, clDateTime{2026, 1, 2, 3, 4, 5, 6});
  clock.Seal();
  clTrafficRecord monitor = Decode(clock, View(TrafficRole::kMonitor));
  EXPECT_EQ(monitor.title, "Clock synchronization Request");
  EXPECT_EQ(monitor.asdu, "ASDU: 103 <Clock synchronization Command> Count:1 SQ:0");
  for (TrafficRole role : {TrafficRole::kMaster, TrafficRole::kSlave}) {
    clTrafficRecord record = Decode(clock, View(role));
    EXPECT_EQ(record.title, "Clock Synchronization Request");
    EXPECT_EQ(record.asdu, "ASDU: 103 <Clock Synchronization Command> Count:1 SQ:0");
    ASSERT_EQ(record.elements.size(), 1u);
    EXPECT_EQ(record.elements[0].value, "2026-01-02 03:04:05.006");
  }
  clock.MutableData()[4] = 0x08;  // the same data unit as a response
  EXPECT_EQ(Decode(clock, View(TrafficRole::kMaster)).title, "Clock synchronization Response");

  clIEC101Frame init = Load("68 09 09 68 08 01 46 01 04 01 00 00 00 00 00 16", 1, 2, 2, 1);
  clTrafficRecord master = Decode(init, View(TrafficRole::kMaster));
  EXPECT_EQ(master.kind, 70);
  EXPECT_EQ(master.title, "End of initialisation Request");
  EXPECT_EQ(master.asdu, "ASDU: 70 <End of initialisation> Count:1 SQ:0");
  EXPECT_EQ(master.cause, "COT: 4 <initialised> Sector 1");
  clTrafficRecord slave = Decode(init, View(TrafficRole::kSlave));
  EXPECT_EQ(slave.title, "ASDU 70 <End of initialisation> not yet implemented");
  EXPECT_EQ(slave.asdu, "");
  clTrafficRecord watcher = Decode(init, View(TrafficRole::kMonitor));
  EXPECT_EQ(watcher.FormatDescription(),
            "\nLink Control: User Data Confirm [PRM:0 ACD:0 DFC:0] LinkAdr: 1");

  clIEC101Frame bitstring =
      Load("68 0D 0D 68 08 01 07 01 03 01 00 05 00 00 00 00 00 00 00 16", 1, 2, 2, 1);
  master = Decode(bitstring, View(TrafficRole::kMaster));
  EXPECT_EQ(master.kind, clTrafficRecord::kEventKind);
  EXPECT_EQ(master.title, "Bitstring 32 bit Response <ASDU is not implemented>");
  EXPECT_EQ(master.asdu, "ASDU: 7 <Bitstring 32 bit> Count:1 SQ:0");
  EXPECT_EQ(master.cause, "COT: 3 <spontaneous> Sector 1");
  EXPECT_TRUE(Decode(bitstring, View(TrafficRole::kMonitor)).title.empty());
}

TEST(TrafficText_Asdu, TypeBit7AndTwoOctetCausesAreReadAsTheWholeNumber) {
  clIEC101Frame frame = Load("68 0A 0A 68 08 01 81 01 03 05 01 00 05 00 01 00 16", 1, 2, 2, 2);
  clTrafficRecord record = Decode(frame);
  EXPECT_EQ(record.kind, 1) << "bit 7 of the type id is ignored";
  EXPECT_EQ(record.title, "Single Point Response");
  EXPECT_EQ(record.asdu, "ASDU: 1 <Single Point> Length:10 Count:1 SQ:0");
  EXPECT_EQ(record.cause, "COT: 1283 <not implemented> Sector 1");
  clIEC101Frame negative = Load("68 0A 0A 68 08 01 2D 01 47 01 00 05 00 01 00 16", 1, 2, 2, 1);
  EXPECT_EQ(Decode(negative).cause, "COT: 71 <negative confirmation> Sector 1");
}

TEST(TrafficText_Event, EventRecordCarriesTextAndOctetsOnly) {
  clIEC101Frame frame = Load("68 05", 1, 2, 2, 1, false);
  clTrafficRecord record;
  record.title = "old";
  record.AddElement(1, "x", "", "");
  FillEventRecord(frame, "RECEIVE TIMEOUT", record);
  EXPECT_EQ(record.kind, 1001);
  EXPECT_EQ(record.bytes, "68 05");
  EXPECT_EQ(record.FormatDescription(), "RECEIVE TIMEOUT");
  EXPECT_EQ(record.FormatElements(false), " ");
}

TEST(TrafficText_Number, FormatNumberDropsTrailingZerosAndSeparator) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{0.5, "0.5"},
               {100, "100"},
               {-0.25, "-0.25"},
               {0.0000002, "0"},
               {1234.5678, "1234.5678"},
               {0.0, "0"},
               {-0.0, "0"},
               {-0.0000001, "0"},
               {1e6, "1000000"},
               {0.000001, "0.000001"},
               {-1, "-1"},
               {0.999969482421875, "0.999969"}};
  for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.value), c.text) << c.value;
}

}  // namespace
