// What telvane says on stderr: "telvane: " + what + why, one message each.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/port_messages.h"
#include "tests/app/run_telvane_helpers.h"

namespace {

bool Has(const std::string& text, const std::string& needle) {
  return text.find(needle) != std::string::npos;
}

TEST(Messages, FilesAreNamedWithTheSystemsReason) {
  const std::string missing = TestPath("missing.cf1");
  EXPECT_EQ(RunTelvane({"--headless", missing}).err,
            "telvane: " + missing + ": No such file or directory\n");
  const std::string garbage = TestPath("garbage.cf1");
  WriteWholeFile(garbage, "definitely not a workspace");
  EXPECT_EQ(RunTelvane({"--dump", garbage}).err,
            "telvane: " + garbage + ": not a Telvane workspace (Unexpected file format.)\n");
  EXPECT_EQ(RunTelvane({"--dump", ::testing::TempDir()}).err,
            "telvane: " + ::testing::TempDir() + ": Is a directory\n");
  const std::string script = TestPath("no_script.txt");
  EXPECT_TRUE(Has(RunTelvane({"--demo", "--quiet", "--script", script}).err,
                  "telvane: " + script + ": No such file or directory\n"));
  EXPECT_TRUE(Has(RunTelvane({"--demo", "--quiet", "--save-as", "/nonexistent/dir/out.cf1"}).err,
                  "telvane: /nonexistent/dir/out.cf1: cannot save there: /nonexistent/dir: No "
                  "such file or directory\n"));
}

TEST(Messages, CommandLineMistakesAreNamed) {
  struct Row {
    std::vector<std::string> args;
    std::string message;
  };
  const Row rows[] = {
      {{"--frob"}, "telvane: unknown option '--frob'\n"},
      {{"--demo", "--save-as", "--quiet"},
       "telvane: --save-as needs a value, not the option '--quiet'\n"},
      {{"--decode", "--seconds", "1"}, "telvane: --decode does not take --seconds\n"},
      {{"--quiet"}, "telvane: --quiet needs a command word such as --headless or --demo\n"},
      {{"--demo", "--oneline=yes"}, "telvane: --oneline takes no value\n"},
      {{"--demo", "--only", "Nobody"}, "telvane: --only: no device named 'Nobody' in the workspace\n"},
  };
  for (const Row& row : rows) {
    const clProgramRun run = RunTelvane(row.args);
    EXPECT_EQ(run.err.substr(0, row.message.size()), row.message) << run.err;
  }
}

TEST(Messages, APortThatDoesNotOpenIsNamedWithItsDeviceAndCause) {
  const std::string json = TestPath("ports.json"), file = TestPath("ports.cf1");
  WriteWholeFile(json, R"({"ports":[{"name":"COM99"},{"name":")" + json +
                           R"("},{"name":"VLINE70-A"}],
    "masters":[{"name":"OnCom","portName":"COM99"},{"name":"OnFile","portName":")" + json +
                           R"("},{"name":"Nowhere","portName":"NOPE"},
               {"name":"First","portName":"VLINE70-A"},{"name":"Second","portName":"VLINE70-A"}]})");
  ASSERT_EQ(RunTelvane({"--build", json, "--save-as", file}).exitCode, 0);
  const clProgramRun run = RunTelvane({"--headless", file, "--quiet", "--seconds", "0"});
  EXPECT_EQ(run.exitCode, 6);
  for (const std::string& line :
       {std::string("telvane: OnCom: Fail to open port 'COM99': /dev/ttyS98: no such device (a "
                    "COMn name is mapped to a device in [Ports] of "),
        "telvane: OnFile: Fail to open port '" + json + "': " + json + ": not a tty\n",
        std::string("telvane: Nowhere: Fail to open port 'NOPE': no port of that name in the "
                    "workspace\n"),
        std::string("telvane: Second: Fail to open port 'VLINE70-A': already used by First\n")}) {
    EXPECT_TRUE(Has(run.err, line)) << line << "\n" << run.err;
  }
}

TEST(Messages, DeniedAccessToAPortNamesTheGroupToJoin) {
  const std::string device = TestPath("tty_of_a_group");
  WriteWholeFile(device, "");
  const group* any = getgrnam("dialout");
  if (any == nullptr || chown(device.c_str(), static_cast<uid_t>(-1), any->gr_gid) != 0)
    GTEST_SKIP() << "no group dialout to give the file";
  if (geteuid() == 0) {
    // Run as a user outside the group, as a bench engineer new to the machine.
    ASSERT_EQ(chmod(device.c_str(), 0660), 0);
    const std::string json = TestPath("denied.json"), file = TestPath("denied.cf1");
    WriteWholeFile(json, R"({"ports":[{"name":")" + device + R"("}],
      "masters":[{"name":"Master1","portName":")" + device + R"("}]})");
    ASSERT_EQ(RunTelvane({"--build", json, "--save-as", file}).exitCode, 0);
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    clTelvaneProcess run;
    run.user = 65534;  // nobody
    ASSERT_TRUE(run.Start({"--headless", file, "--quiet", "--seconds", "0"}));
    run.ReadToEnd(60000);
    EXPECT_EQ(run.WaitForExit(60000), 6);
    EXPECT_EQ(run.Err(), "telvane: Master1: Fail to open port '" + device + "': " + device +
                             ": Permission denied (join the group dialout)\n");
  }
  clStartFailure failure;
  failure.kind = clStartFailure::kPortFailed;
  failure.device = "Master1";
  failure.port = "COM3";
  failure.path = device;
  failure.osError = EACCES;
  EXPECT_EQ(StartFailureMessage(failure), "Master1: Fail to open port 'COM3': " + device +
                                              ": Permission denied (join the group dialout)");
}

TEST(Messages, RefusedScriptLinesAreCountedAtTheEnd) {
  const std::string script = TestPath("count.txt");
  WriteWholeFile(script,
                 "# a comment\n"
                 "frobnicate\n"
                 "stop Nobody\n"
                 "set Slave1 1 \"No such tag\" 1\n"
                 "write Master1 1 \"unclosed 1\n"
                 "set Slave1 1 4 99999999999\n"
                 "set Slave1 1 Tag5 1e308\n"
                 "quit\n");
  const clProgramRun run = RunTelvane({"--demo", "--quiet", "--script", script});
  EXPECT_TRUE(Has(run.err, "telvane: script line 2: unknown command")) << run.err;
  EXPECT_TRUE(Has(run.err, "telvane: script line 3: unknown device 'Nobody'\n")) << run.err;
  EXPECT_TRUE(Has(run.err, "telvane: script line 4: no tag 'No such tag' in sector 1\n")) << run.err;
  EXPECT_TRUE(Has(run.err, "telvane: script line 5: unclosed quote\n")) << run.err;
  EXPECT_TRUE(Has(run.err,
                  "telvane: script line 6: Value 99999999999 is out of range: Measured Scaled "
                  "takes a whole number from -32768 to 32767\n"))
      << run.err;
  EXPECT_TRUE(Has(run.err, "telvane: script line 7: Value 1e+308 is out of range: Measured Float "
                           "takes a number from -3.40282e+38 to 3.40282e+38\n"))
      << run.err;
  EXPECT_TRUE(Has(run.err, "telvane: 6 script lines refused\n")) << run.err;
}

TEST(Messages, AQuietRunNamesTheFaultSeedOnlyWhenItMatters) {
  EXPECT_EQ(RunTelvane({"--demo", "--quiet", "--seconds", "0"}).err, "");
  EXPECT_EQ(RunTelvane({"--demo", "--quiet", "--seconds", "0", "--seed", "42"}).err,
            "telvane: fault seed 42\n");
  const std::string script = TestPath("fault.txt");
  WriteWholeFile(script, "line 1 restore\nline 1 noise A 0.5\nline 1 drop B 0.5\nquit\n");
  const clProgramRun faulted = RunTelvane({"--demo", "--quiet", "--script", script});
  EXPECT_EQ(faulted.err.rfind("telvane: fault seed ", 0), 0u) << faulted.err;
  EXPECT_EQ(faulted.err.find("fault seed", 10), std::string::npos) << "printed once";
  EXPECT_EQ(RunTelvane({"--demo", "--seconds", "0"}).err.rfind("telvane: fault seed ", 0), 0u);
}

TEST(Messages, ASaveRemovesTheTemporaryFilesOfCrashedSavesOnly) {
  const std::string target = TestPath("kept.cf1");
  const std::string folder = target.substr(0, target.rfind('/') + 1);
  const std::string name = target.substr(folder.size());
  // A process id that is not in use, and one that is (this test).
  pid_t gone = 4000000;
  while (kill(gone, 0) == 0 || errno != ESRCH) --gone;
  const std::string stale = folder + "." + name + "." + std::to_string(gone) + ".0";
  const std::string live = folder + "." + name + "." + std::to_string(getpid()) + ".0";
  WriteWholeFile(stale, "half a file");
  WriteWholeFile(live, "a save in progress");
  EXPECT_EQ(RunTelvane({"--demo", "--quiet", "--seconds", "0", "--save-as", target}).exitCode, 0);
  EXPECT_EQ(access(stale.c_str(), F_OK), -1);
  EXPECT_EQ(access(live.c_str(), F_OK), 0);
  EXPECT_EQ(access(target.c_str(), F_OK), 0);
  unlink(live.c_str());
}

}  // namespace
