// telvane --decode run as a program: input forms on stdin, texts on stdout,
// errors on stderr, exit codes.
#include <gtest/gtest.h>

#include <string>

#include "tests/app/run_telvane_helpers.h"

namespace {

clProgramRun Decode(const std::string& input, std::vector<std::string> args = {}) {
  args.insert(args.begin(), "--decode");
  return RunTelvane(args, input);
}

TEST(DecodeCommand, DecodesEachLineWithDescriptionElementsAndAnEmptyLine) {
  const clProgramRun r =
      Decode("10 49 01 4A 16\n68 0A 0A 68 08 01 01 01 03 01 00 05 00 91 A5 16\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "Status of link Request\n"
            "Link Control: Status of link [PRM:1 FCV:0 FCB:0] LinkAdr: 1\n"
            "\n"
            "Single Point Response\n"
            "Link Control: User Data Confirm [PRM:0 ACD:0 DFC:0] LinkAdr: 1\n"
            "ASDU: 1 <Single Point> Length:10 Count:1 SQ:0\n"
            "COT: 3 <spontaneous> Sector 1\n"
            "[5] On Block,Invalid\n"
            "\n");
}

TEST(DecodeCommand, SizesAreGivenInTheOrderLinkCommonCauseObject) {
  // LA 2, CA 1, COT 2, IOA 3: cause 0x0503 and a three-octet address 0x030201.
  const clProgramRun r = Decode("68 0C 0C 68 08 01 00 01 01 03 05 07 01 02 03 01 21 16\n",
                                {"--sizes", "2,1,2,3", "--structured"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "Single Point Response\n"
            "Link Control: User Data Confirm [PRM:0 ACD:0 DFC:0] LinkAdr: 1\n"
            "ASDU: 1 <Single Point> Length:12 Count:1 SQ:0\n"
            "COT: 1283 <not implemented> Sector 7\n"
            "[003/002/001] On \n"
            "\n");
}

TEST(DecodeCommand, EachFrameIsWordedByItsPrmBitUnlessRoleOrPortSayOtherwise) {
  const std::string request = "10 49 01 4A 16\n", response = "10 0B 01 0C 16\n";
  EXPECT_EQ(Decode(request + response).out,
            "Status of link Request\n"
            "Link Control: Status of link [PRM:1 FCV:0 FCB:0] LinkAdr: 1\n\n"
            "Status of link Response\n"
            "Link Control: Status of link [PRM:0 ACD:0 DFC:0] LinkAdr: 1\n\n");
  EXPECT_EQ(Decode(request, {"--port", "2"}).out,
            "Status of link Response\n"
            "Link Control: Status of link [PRM:1 ACD:0 DFC:0] LinkAdr: 1\n\n");
  EXPECT_EQ(Decode("68 07 07 68 08 01 07 00 03 01 00 14 16\n", {"--role", "master"}).out,
            "Bitstring 32 bit Response <ASDU is not implemented>\n"
            "Link Control: User Data Confirm [PRM:0 ACD:0 DFC:0] LinkAdr: 1\n"
            "ASDU: 7 <Bitstring 32 bit> Count:0 SQ:0\n"
            "COT: 3 <spontaneous> Sector 1\n\n");
  EXPECT_EQ(Decode(response, {"--role", "slave"}).out,
            "Status of link Response\n"
            "Link Control: Status of link [PRM:0 ACD:0 DFC:0] LinkAdr: 1\n\n");
}

TEST(DecodeCommand, BrokenFramesPrintTheRolesEventTextWithWhatWasExpected) {
  const std::string input = "00\n10 49 01 4B 17\n68 09\nE5\n";
  EXPECT_EQ(Decode(input).out,
            "INVALID MESSAGE\n\n"
            "Invalid CRC (checksum 4B, expected 4A; end octet 17, expected 16)\n\n"
            "RECEIVE TIMEOUT\n\n"
            "Short Ack Response\n\n");
  EXPECT_EQ(Decode(input, {"--role", "master"}).out,
            "Invalid Message\n\n"
            "Invalid CRC (checksum 4B, expected 4A; end octet 17, expected 16)\n\n"
            "Read Timeout\n\n"
            "Short Ack Response\n\n");
  EXPECT_EQ(Decode("00\n68 09\n", {"--role", "slave"}).out, "INVALID MESSAGE\n\nRead Timeout\n\n");
}

TEST(DecodeCommand, ReadsTracesCompactAndPrefixedHexAndDumps) {
  const std::string statusOfLink =
      "Status of link Request\nLink Control: Status of link [PRM:1 FCV:0 FCB:0] LinkAdr: 1\n\n";
  const std::string forms[] = {
      // the program's own trace, with its decoded lines
      "[Master1] -> 12:00:00.000 [10 49 01 4A 16]\n"
      "[Master1] Status of link Request\n"
      "[Master1] Link Control: Status of link [PRM:1 FCV:0 FCB:0] LinkAdr: 1\n",
      "-> 12:00:00.000 [10 49 01 4A 16]\nStatus of link Request\n[5] On \n",
      "[Master1] -> 12:00:00.000 Status of link Request [10 49 01 4A 16]\n",
      "1049014A16 # compact, then a comment\n",
      "0x10, 0x49, 0x01, 0x4a, 0x16\n",
      // xxd and tshark -x: the octets run on from line to line
      "00000000: 1049 014a 1610 49  .I.J..I\n"
      "00000007: 014a 16            .J.\n",
      "0000  10 49 01 4a 16 10 49   .I.J..I\n"
      "0007  01 4a 16               .J.\n",
  };
  const std::string expected[] = {
      statusOfLink, statusOfLink, statusOfLink, statusOfLink, statusOfLink,
      statusOfLink + statusOfLink, statusOfLink + statusOfLink,
  };
  for (size_t i = 0; i < std::size(forms); ++i) {
    const clProgramRun r = Decode(forms[i]);
    EXPECT_EQ(r.out, expected[i]) << forms[i];
    EXPECT_EQ(r.err, "") << forms[i];
    EXPECT_EQ(r.exitCode, 0) << forms[i];
  }
}

TEST(DecodeCommand, UnreadableLinesGoToStderrAndNoDecodedFrameIsAnError) {
  std::string huge;
  for (int i = 0; i < 1100; ++i) huge += "68 00 ";
  const clProgramRun r = Decode("ZZ 10\n" + huge + "\n68 09\n");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.out, "RECEIVE TIMEOUT\n\n");
  EXPECT_EQ(r.err,
            "telvane: line 1: not hexadecimal octets: 'ZZ'\n"
            "telvane: line 2: more than 1024 octets, not decoded\n"
            "telvane: no frame decoded\n");
  EXPECT_EQ(Decode("ZZ\nE5\n").exitCode, 0);
}

TEST(DecodeCommand, WrongOptionsGiveExitCode2) {
  for (const char* arguments : {"--sizes=1,2,1", "--sizes=3,2,1,2", "--sizes=1,2,1,4",
                                "--role=operator", "--port=3", "--port", "--verbose"}) {
    EXPECT_EQ(Decode("E5\n", {arguments}).exitCode, 2) << arguments;
  }
}

}  // namespace
