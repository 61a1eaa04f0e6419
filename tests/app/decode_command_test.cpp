// telvane --decode run as a program: input on stdin, texts on stdout, exit codes.
#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct RunResult {
  int exitCode = -1;
  std::string out;
};

// Runs the telvane binary with the arguments and the input text; stderr is discarded.
RunResult RunDecode(const std::string& arguments, const std::string& input) {
  std::string inputPath = ::testing::TempDir() + std::to_string(getpid()) + "_" + "decode_input.txt";
  std::ofstream(inputPath) << input;
  std::string command = std::string(TELVANE_BINARY_DIR) + "/app/telvane --decode " + arguments +
                        " < " + inputPath + " 2>/dev/null";
  RunResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(DecodeCommand, DecodesEachLineWithDescriptionElementsAndAnEmptyLine) {
  RunResult r = RunDecode("", "10 49 01 4A 16\n68 0A 0A 68 08 01 01 01 03 01 00 05 00 91 A5 16\n");
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
  RunResult r = RunDecode("--sizes 2,1,2,3 --structured",
                          "68 0C 0C 68 08 01 00 01 01 03 05 07 01 02 03 01 21 16\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "Single Point Response\n"
            "Link Control: User Data Confirm [PRM:0 ACD:0 DFC:0] LinkAdr: 1\n"
            "ASDU: 1 <Single Point> Length:12 Count:1 SQ:0\n"
            "COT: 1283 <not implemented> Sector 7\n"
            "[003/002/001] On \n"
            "\n");
}

TEST(DecodeCommand, RoleAndPortChooseTheWording) {
  EXPECT_EQ(RunDecode("--port 2", "10 49 01 4A 16\n").out,
            "Status of link Response\n"
            "Link Control: Status of link [PRM:1 ACD:0 DFC:0] LinkAdr: 1\n\n");
  EXPECT_EQ(RunDecode("--role master", "68 07 07 68 08 01 07 00 03 01 00 14 16\n").out,
            "Bitstring 32 bit Response <ASDU is not implemented>\n"
            "Link Control: User Data Confirm [PRM:0 ACD:0 DFC:0] LinkAdr: 1\n"
            "ASDU: 7 <Bitstring 32 bit> Count:0 SQ:0\n"
            "COT: 3 <spontaneous> Sector 1\n\n");
  EXPECT_EQ(RunDecode("--role slave", "10 0B 01 0C 16\n").out,
            "Status of link Response\n"
            "Link Control: Status of link [PRM:0 ACD:0 DFC:0] LinkAdr: 1\n\n");
}

TEST(DecodeCommand, BrokenFramesPrintTheReceiverEventTextAndExitZero) {
  RunResult r = RunDecode("", "00\n10 49 01 4B 16\n68 09\n\nE5\nZZ 10\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "INVALID MESSAGE\n\n"
            "Invalid CRC\n\n"
            "RECEIVE TIMEOUT\n\n"
            "Short Ack Response\n\n"
            "Invalid hexadecimal octet 'ZZ'\n\n");
  std::string huge;
  for (int i = 0; i < 1100; ++i) huge += "68 00 ";
  RunResult overflow = RunDecode("", huge + "\n");
  EXPECT_EQ(overflow.exitCode, 0);
  EXPECT_EQ(overflow.out.rfind("BUFFER OVERFLOW\n\n", 0), 0u) << overflow.out.substr(0, 80);
}

TEST(DecodeCommand, AcceptsTrafficHeaderLinesAndGathersFramesThatFollowEachOther) {
  RunResult r = RunDecode("", "<- 12:00:00.000 [10 0b 01 0c 16]\n00 E5 10 49\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "Status of link Request\n"
            "Link Control: Status of link [PRM:0 FCV:0 FCB:0] LinkAdr: 1\n\n"
            "INVALID MESSAGE\n\n"
            "Short Ack Response\n\n"
            "RECEIVE TIMEOUT\n\n");
}

TEST(DecodeCommand, WrongOptionsGiveExitCode2) {
  for (const char* arguments : {"--sizes 1,2,1", "--sizes 3,2,1,2", "--sizes 1,2,1,4",
                                "--role operator", "--port 3", "--port", "--verbose"}) {
    EXPECT_EQ(RunDecode(arguments, "E5\n").exitCode, 2) << arguments;
  }
}

}  // namespace
