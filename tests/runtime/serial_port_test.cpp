#include "runtime/serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

#include "runtime/interrupt.h"
#include "runtime/port_choices.h"
#include "runtime/port_settings.h"
#include "runtime/serial_ports.h"
#include "runtime/virtual_lines.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A fresh directory under the system temp dir, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "telvane-XXXXXX").string();
    path_ = mkdtemp(tmpl.data()) ? tmpl : "";
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  void WriteSettings(const std::string& text) const {
    std::filesystem::create_directories(path_ + "/Telvane");
    std::ofstream(path_ + "/Telvane/Telvane.conf") << text;
  }

 private:
  std::string path_;
};

// A pseudo-terminal pair: the port opens the slave by its path, the test
// plays the far end of the line on the master.
class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0);
    termios t{};
    ASSERT_EQ(tcgetattr(master_, &t), 0);
    cfmakeraw(&t);
    ASSERT_EQ(tcsetattr(master_, TCSANOW, &t), 0);
    slavePath_ = ttyname(slave_);
    port_.SetName(slavePath_);
  }
  void TearDown() override {
    port_.Close();
    if (master_ >= 0) close(master_);
    close(slave_);
  }

  void FarEndWrite(const Bytes& b) {
    ASSERT_EQ(write(master_, b.data(), b.size()), static_cast<ssize_t>(b.size()));
  }
  // Collects `n` octets from the far end, waiting at most `timeoutMs`.
  Bytes FarEndRead(size_t n, int timeoutMs = 1000) {
    Bytes out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < n) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) break;
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      uint8_t buf[256];
      ssize_t r = read(master_, buf, std::min(sizeof buf, n - out.size()));
      if (r <= 0) break;
      out.insert(out.end(), buf, buf + r);
    }
    return out;
  }
  // The line settings as the tty now holds them.
  termios SlaveSettings() {
    termios t{};
    EXPECT_EQ(tcgetattr(slave_, &t), 0);
    return t;
  }
  // Median duration of `reads` empty 1-octet reads with the given time-out.
  double MedianEmptyReadMs(int reads, int32_t timeoutMs) {
    std::vector<double> took;
    for (int i = 0; i < reads; ++i) {
      uint8_t b = 0;
      auto start = Clock::now();
      EXPECT_EQ(port_.Read(&b, 1, timeoutMs), 0);
      took.push_back(MsSince(start));
    }
    return Median(took);
  }

  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
  clSerialPort port_;
};

// Which time-out a read waits: its own, the port's, or the last one used. The
// time-outs lie a factor of twenty apart, so that a short read is told from a
// long one on a loaded machine; how closely a read keeps its time is measured
// in bench/.
TEST_F(SerialPortTest, ReadTimeOutZeroUsesPortsOwnAndNegativeKeepsTheLastUsed) {
  constexpr int32_t kShortMs = 100, kLongMs = 2000;
  port_.SetReadTimeoutMs(kLongMs);
  ASSERT_EQ(port_.Open(), 0);
  struct Case {
    int32_t timeoutMs;
    double waitsMs;
    const char* why;
  };
  const Case cases[] = {
      {-1, kLongMs, "before any read, keep means the port's own"},
      {kShortMs, kShortMs, "its own"},
      {-1, kShortMs, "the last used"},
      {0, kLongMs, "the port's own"},
  };
  for (const Case& c : cases) {
    const double took = MedianEmptyReadMs(1, c.timeoutMs);
    EXPECT_GE(took, c.waitsMs) << c.why;
    EXPECT_LT(took, c.waitsMs == kLongMs ? 5 * kLongMs : kLongMs) << c.why;
  }
  // The setting is read at every call, also while the port is open.
  port_.SetReadTimeoutMs(kShortMs);
  EXPECT_LT(MedianEmptyReadMs(1, 0), kLongMs);
}

TEST_F(SerialPortTest, OneOctetReadReturnsAsSoonAsTheOctetArrives) {
  ASSERT_EQ(port_.Open(), 0);
  for (uint8_t value : {0x10, 0x68, 0x16, 0x00, 0xFF}) {
    FarEndWrite({value});
    uint8_t b = 0;
    auto start = Clock::now();
    ASSERT_EQ(port_.Read(&b, 1, 10000), 1);
    EXPECT_LT(MsSince(start), 5000.0);
    EXPECT_EQ(b, value);
  }
}

TEST_F(SerialPortTest, FrameTravelsUnchangedInBothDirections) {
  ASSERT_EQ(port_.Open(), 0);
  // Octets a cooked tty would alter: CR, LF, XON, XOFF, DEL, ^C.
  const Bytes frame = {0x68, 0x09, 0x09, 0x68, 0x0D, 0x0A, 0x11,
                       0x13, 0x7F, 0x03, 0x01, 0xB7, 0x16};
  ASSERT_EQ(port_.Write(frame.data(), static_cast<int32_t>(frame.size())),
            static_cast<int32_t>(frame.size()));
  EXPECT_EQ(FarEndRead(frame.size()), frame);

  FarEndWrite(frame);
  Bytes got(frame.size());
  EXPECT_EQ(port_.Read(got.data(), static_cast<int32_t>(got.size()), 500),
            static_cast<int32_t>(frame.size()));
  EXPECT_EQ(got, frame);
}

TEST_F(SerialPortTest, DeviceIsOpenedExclusively) {
  ASSERT_EQ(port_.Open(), 0);
  clSerialPort second;
  second.SetName(slavePath_);
  EXPECT_EQ(second.Open(), 1);
  EXPECT_EQ(second.LastError(), 1);
  EXPECT_FALSE(second.IsOpen());
  port_.Close();
  EXPECT_EQ(second.Open(), 0);
  EXPECT_EQ(port_.Open(), 1);
}

TEST_F(SerialPortTest, ErrorCodesOfClosedOpenAndUnopenablePorts) {
  uint8_t b = 0;
  EXPECT_EQ(port_.Read(&b, 1, 10), 4);
  EXPECT_EQ(port_.LastError(), 4);
  EXPECT_EQ(port_.Purge(), 4);
  EXPECT_EQ(port_.Write(&b, 1), -1);

  ASSERT_EQ(port_.Open(), 0);
  EXPECT_EQ(port_.Open(), 5);
  EXPECT_EQ(port_.LastError(), 5);
  ASSERT_TRUE(port_.IsOpen());
  const Bytes one = {0x55};
  EXPECT_EQ(port_.Write(one.data(), 1), 1);  // the first handle still works
  EXPECT_EQ(FarEndRead(1), one);
  EXPECT_EQ(port_.ApplyFlowControl(5), 6);
  EXPECT_EQ(port_.ApplyLineSettings(9600, 9, clSerialPort::kParityEven, 1), 6);
  port_.Close();
  EXPECT_EQ(port_.LastError(), 0);
  EXPECT_EQ(port_.ApplyFlowControl(0), 6);

  port_.SetFlowControl(5);  // settings that cannot apply leave the port closed
  EXPECT_EQ(port_.Open(), 1);
  EXPECT_FALSE(port_.IsOpen());
  port_.SetFlowControl(0);
  EXPECT_EQ(port_.Open(), 0);  // and left nothing locked
  port_.Close();

  for (const char* name : {"/nonexistent/ttyX", "LPT1", "", "COM"}) {
    clSerialPort p;
    p.SetName(name);
    EXPECT_EQ(p.Open(), 1) << name;
    EXPECT_FALSE(p.IsOpen()) << name;
  }
}

TEST_F(SerialPortTest, ReadFailsPromptlyAndClosesThePortWhenTheFarEndHangsUp) {
  ASSERT_EQ(port_.Open(), 0);
  close(master_);
  master_ = -1;
  uint8_t b = 0;
  auto start = Clock::now();
  EXPECT_EQ(port_.Read(&b, 1, 10000), 2);
  EXPECT_LT(MsSince(start), 5000.0);
  EXPECT_EQ(port_.LastError(), 2);
  // The line is gone: the port is closed, so its user does not read it in a loop,
  // but it stays its user's: another device cannot open it until it is closed.
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(port_.Read(&b, 1, 500), 4);
  EXPECT_EQ(port_.Write(&b, 1), -1);
  EXPECT_EQ(port_.Open(), 5);
  port_.Close();
  EXPECT_NE(port_.Open(), 5);
}

TEST_F(SerialPortTest, PurgeDiscardsPendingInput) {
  ASSERT_EQ(port_.Open(), 0);
  FarEndWrite({1, 2, 3, 4});
  uint8_t b = 0;
  ASSERT_EQ(port_.Read(&b, 1, 500), 1);  // input has reached the tty
  EXPECT_EQ(port_.Purge(), 0);
  EXPECT_EQ(port_.Read(&b, 1, 50), 0);
  FarEndWrite({9});
  ASSERT_EQ(port_.Read(&b, 1, 500), 1);
  EXPECT_EQ(b, 9);
}

// The RTS delays wrap a keyed write only; other modes write at once.
TEST_F(SerialPortTest, RtsToggleWriteWaitsPreAndPostKeyAndStillDelivers) {
  ASSERT_EQ(port_.Open(), 0);
  const Bytes frame = {0x10, 0x49, 0x01, 0x4A, 0x16};
  struct Case {
    int32_t flow, preMs, postMs;
  };
  const Case cases[] = {{3, 40, 60}, {3, 0, 0}, {0, 2000, 2000}, {4, 2000, 2000}};
  for (const Case& c : cases) {
    port_.SetFlowControl(c.flow);
    port_.SetRtsPreKeyMs(c.preMs);
    port_.SetRtsPostKeyMs(c.postMs);
    auto start = Clock::now();
    EXPECT_EQ(port_.Write(frame.data(), static_cast<int32_t>(frame.size())), 5);
    const double took = MsSince(start);
    if (c.flow == clSerialPort::kFlowRtsToggle) {
      EXPECT_GE(took, c.preMs + c.postMs);
    } else {
      EXPECT_LT(took, c.preMs + c.postMs) << "flow " << c.flow;
    }
    EXPECT_EQ(FarEndRead(frame.size()), frame) << "flow " << c.flow;
  }
}

// Each wait inside Write would last a minute or more; raising the interrupt
// given to Open ends it, and what was sent counts as written, not failed.
TEST_F(SerialPortTest, EveryWaitInsideWriteEndsSoonAfterTheInterruptIsRaised) {
  struct Case {
    const char* wait;
    const char* port;  // null: the pseudo-terminal
    int32_t flow, preMs, postMs, writeTimeoutMs, baud;
    size_t octets;
  };
  const Case cases[] = {
      {"RTS pre-key", nullptr, 3, 60000, 0, 1000, 9600, 5},
      {"RTS post-key", nullptr, 3, 0, 60000, 1000, 9600, 5},
      {"tty that takes nothing", nullptr, 0, 0, 0, 60000, 9600, 1 << 20},
      {"line time of 261 octets at 110 baud", "VLINE63-A", 3, 0, 0, 1000, 110, 261},
      {"CTS held low", "VLINE63-A", 4, 0, 0, 60000, 9600, 5},
  };
  clVirtualLines::Instance().Cable(63)->HoldCts(0, true);
  for (const Case& c : cases) {
    clSerialPort port;
    port.SetName(c.port ? c.port : slavePath_);
    port.SetFlowControl(c.flow);
    port.SetRtsPreKeyMs(c.preMs);
    port.SetRtsPostKeyMs(c.postMs);
    port.SetWriteTimeoutMs(c.writeTimeoutMs);
    port.SetBaudRate(c.baud);
    clInterrupt interrupt;
    ASSERT_EQ(port.Open(&interrupt), 0) << c.wait;
    if (c.flow == 3 && c.port) clVirtualLines::Instance().Cable(63)->HoldCts(0, false);
    const Bytes octets(c.octets, 0x55);
    std::atomic<int32_t> written{-2};
    const auto start = Clock::now();
    std::thread writer(
        [&] { written = port.Write(octets.data(), static_cast<int32_t>(c.octets)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    interrupt.Raise();
    writer.join();
    EXPECT_LT(MsSince(start), 10000.0) << c.wait;
    EXPECT_GE(written.load(), 0) << c.wait;
    port.Close();
  }
  clVirtualLines::Instance().Cable(63)->ClearFaults();
}

TEST_F(SerialPortTest, EveryDialogBaudRateReachesTheTty) {
  const int32_t rates[] = {110,  200,   300,   600,   1200,  2400,  4800,
                           9600, 14400, 19200, 38400, 56000, 115200};
  for (int32_t rate : rates) {
    port_.SetBaudRate(rate);
    ASSERT_EQ(port_.Open(), 0) << rate;
    EXPECT_EQ(port_.DeviceBaudRate(), rate);
    port_.Close();
  }
  ASSERT_EQ(port_.Open(), 0);
  for (int32_t rate : rates) {
    EXPECT_EQ(port_.ApplyLineSettings(rate, 8, clSerialPort::kParityNone, 1), 0) << rate;
    EXPECT_EQ(port_.DeviceBaudRate(), rate);
  }
  EXPECT_EQ(port_.ApplyLineSettings(0, 8, clSerialPort::kParityNone, 1), 6);
}

// A pseudo-terminal always forces 8 data bits without PARENB, so only the
// parity kind (PARODD, CMSPAR), the parity check and the stop bits show here.
TEST_F(SerialPortTest, ParityAndStopBitsMapToTermiosFlags) {
  ASSERT_EQ(port_.Open(), 0);
  struct Case {
    int32_t parity, stopBits;
    tcflag_t kind;
    bool inpck, twoStops;
  };
  const tcflag_t kKindMask = PARODD | CMSPAR;
  const Case cases[] = {
      {0x100, 1, 0, false, false},     {0x200, 4, PARODD, true, true},
      {0x400, 1, 0, true, false},      {0x800, 1, PARODD | CMSPAR, true, false},  // mark
      {0x1000, 2, CMSPAR, true, true},  // space; 1.5 stop bits sent as 2
      {0x7, 1, CMSPAR, true, false},    // unknown: parity kept, check on
      {0x100, 1, 0, false, false},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(port_.ApplyLineSettings(9600, 8, c.parity, c.stopBits), 0);
    termios t = SlaveSettings();
    EXPECT_EQ(t.c_cflag & kKindMask, c.kind) << c.parity;
    EXPECT_EQ((t.c_iflag & INPCK) != 0, c.inpck) << c.parity;
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStops) << c.parity;
  }
  // An unknown stop-bits code leaves the stop bits as they were.
  ASSERT_EQ(port_.ApplyLineSettings(9600, 8, 0x100, 4), 0);
  ASSERT_EQ(port_.ApplyLineSettings(9600, 8, 0x100, 3), 0);
  EXPECT_NE(SlaveSettings().c_cflag & CSTOPB, 0u);
  EXPECT_EQ(port_.ApplyLineSettings(9600, 7, 0x100, 1), 0);
}

TEST_F(SerialPortTest, FlowControlModesMapToTermiosFlags) {
  struct Case {
    int32_t value;
    bool xonXoff, rtsCts;
  };
  const Case cases[] = {
      {1, true, false}, {2, false, true}, {0, false, false}, {3, false, false}, {4, false, false}};
  for (const Case& c : cases) {
    port_.SetFlowControl(c.value);
    ASSERT_EQ(port_.Open(), 0) << c.value;
    termios t = SlaveSettings();
    EXPECT_EQ((t.c_iflag & IXON) != 0, c.xonXoff) << c.value;
    EXPECT_EQ((t.c_iflag & IXOFF) != 0, c.xonXoff) << c.value;
    EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.rtsCts) << c.value;
    // Raw mode whatever the flow control.
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    port_.Close();
  }
}

TEST_F(SerialPortTest, ComNameMappedInUserSettingsOpensThatDevice) {
  TempDir dir;
  ASSERT_FALSE(dir.Path().empty());
  dir.WriteSettings("[Ports]\nCOM7=" + slavePath_ + "\n");
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path());
  clSerialPort com7;
  com7.SetName("com7");
  ASSERT_EQ(com7.Open(), 0);
  const Bytes frame = {0xE5};
  EXPECT_EQ(com7.Write(frame.data(), 1), 1);
  EXPECT_EQ(FarEndRead(1), frame);
}

TEST(SerialPortsTest, NewWorkspaceHoldsTenDefaultPorts) {
  clSerialPorts ports;
  ports.AddDefaultPorts();
  ASSERT_EQ(ports.Count(), 10);
  for (int32_t i = 0; i < 10; ++i) {
    const clSerialPort* p = ports.At(i);
    EXPECT_EQ(p->Name(), "COM" + std::to_string(i + 1));
    EXPECT_EQ(p->Id(), i + 1);
    EXPECT_EQ(p->BaudRate(), 9600);
    EXPECT_EQ(p->DataBits(), 8);
    EXPECT_EQ(p->Parity(), clSerialPort::kParityEven);
    EXPECT_EQ(p->StopBits(), 1);
    EXPECT_EQ(p->FlowControl(), 0);
    EXPECT_EQ(p->RtsPreKeyMs(), 100);
    EXPECT_EQ(p->RtsPostKeyMs(), 100);
    EXPECT_EQ(p->ReadTimeoutMs(), 1000);
    EXPECT_EQ(p->WriteTimeoutMs(), 1000);
    EXPECT_FALSE(p->IsOpen());
    EXPECT_EQ(p->LastError(), 0);
  }
}

TEST(SerialPortsTest, FindIgnoresCaseAndIdsRestartAfterRemoveAll) {
  clSerialPorts ports;
  ports.AddDefaultPorts();
  EXPECT_EQ(ports.Find("com1"), ports.At(0));
  EXPECT_EQ(ports.Find("Com10"), ports.At(9));
  EXPECT_EQ(ports.Find("COM11"), nullptr);
  EXPECT_EQ(ports.Find("COM"), nullptr);

  auto extra = std::make_unique<clSerialPort>();
  extra->SetName("COM" + std::to_string(ports.Count() + 1));
  ports.Add(std::move(extra));
  EXPECT_EQ(ports.At(10)->Id(), 11);
  EXPECT_EQ(ports.Find("com11"), ports.At(10));

  ports.RemoveAll();
  EXPECT_EQ(ports.Count(), 0);
  EXPECT_EQ(ports.Find("COM1"), nullptr);
  ports.Add(std::make_unique<clSerialPort>());
  EXPECT_EQ(ports.At(0)->Id(), 1);
}

TEST(PortNameTest, ResolvesPathsComNumbersAndUserMappings) {
  TempDir dir;
  ASSERT_FALSE(dir.Path().empty());
  dir.WriteSettings(
      "[General]\nCOM3=/dev/wrong\n\n[Ports]\n; adapters\nCOM3 = /dev/ttyUSB0\n"
      "com5=\"/dev/ttyACM1\"\n[Other]\nCOM4=/dev/wrong\n");
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path());
  EXPECT_EQ(UserSettingsPath(), dir.Path() + "/Telvane/Telvane.conf");
  struct Case {
    const char* name;
    const char* device;
  };
  const Case cases[] = {
      {"COM3", "/dev/ttyUSB0"},
      {"com3", "/dev/ttyUSB0"},
      {"COM5", "/dev/ttyACM1"},
      {"COM4", "/dev/ttyS3"},
      {"COM1", "/dev/ttyS0"},
      {"cOm10", "/dev/ttyS9"},
      {"/dev/pts/7", "/dev/pts/7"},
      {"/tmp/COM3", "/tmp/COM3"},
      {"COM0", ""},
      {"COMX", ""},
      {"COM1A", ""},
      {"LPT1", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolvePortDevice(c.name), c.device) << c.name;
}

TEST(PortNameTest, MissingSettingsFileFallsBackToSerialDevices) {
  TempDir dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path() + "/none");
  EXPECT_EQ(ResolvePortDevice("COM3"), "/dev/ttyS2");
  {
    ScopedEnv home("HOME", dir.Path());
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserSettingsPath(), dir.Path() + "/.config/Telvane/Telvane.conf");
  }
}

// A COMn port mapped to a virtual line end opens that end; a value is taken
// as written, backslashes and all (udev writes odd characters of by-id names
// as \x2f and so on).
TEST(PortNameTest, MappedVirtualLineOpensAndValuesReadAsWritten) {
  TempDir dir;
  dir.WriteSettings("[Ports]\nCOM7=vline61-a\nCOM8=/dev/serial/by-id/usb-A\\x2fB;C \n");
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path());
  EXPECT_EQ(ResolvePortDevice("COM8"), "/dev/serial/by-id/usb-A\\x2fB;C");
  EXPECT_EQ(PortMapping("com7", UserSettingsPath()), "vline61-a");
  EXPECT_EQ(PortMapping("COM1", UserSettingsPath()), "");

  clSerialPort com7;
  com7.SetName("COM7");
  EXPECT_EQ(com7.DevicePath(), "VLINE61-A");
  clSerialPort far;
  far.SetName("VLINE61-B");
  ASSERT_EQ(com7.Open(), 0);
  ASSERT_EQ(far.Open(), 0);
  const uint8_t sent[] = {0x10, 0x49, 0x01, 0x4A, 0x16};
  EXPECT_EQ(com7.Write(sent, 5), 5);
  uint8_t got[5] = {};
  EXPECT_EQ(far.Read(got, 5, 5000), 5);
  EXPECT_TRUE(std::equal(got, got + 5, sent));
  clSerialPort again;
  again.SetName("VLINE61-A");
  EXPECT_EQ(again.Open(), 1) << "the end is taken by COM7";
}

TEST(PortChoicesTest, ListsAddedNamesAndWhatEachPortOpens) {
  clSerialPorts ports;
  ports.AddDefaultPorts();
  EXPECT_EQ(NextPortName(ports), "COM11");
  auto added = std::make_unique<clSerialPort>();
  added->SetName(NextPortName(ports));
  ports.Add(std::move(added));
  EXPECT_EQ(NextPortName(ports), "COM12");
  // A list whose count names a port it holds skips that name.
  clSerialPorts gap;
  for (const char* name : {"COM1", "com2"}) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    gap.Add(std::move(port));
  }
  gap.At(0)->SetName("COM3");
  EXPECT_EQ(NextPortName(gap), "COM4");

  EXPECT_EQ(PortChoiceIndex(kParityChoices, clSerialPort::kParityEven), 2);
  EXPECT_EQ(PortChoiceIndex(kStopBitsChoices, clSerialPort::kStopBitsTwo), 2);
  EXPECT_EQ(PortChoiceIndex(kBaudRateChoices, 57600), -1);
  EXPECT_EQ(UnlistedChoiceText(kBaudRateChoices, 57600), "57600");
  EXPECT_EQ(UnlistedChoiceText(kParityChoices, clSerialPort::kParityMark), "Mark");
  EXPECT_TRUE(RtsDelaysEnabled(clSerialPort::kFlowRtsToggle));
  EXPECT_FALSE(RtsDelaysEnabled(clSerialPort::kFlowRtsOn));
  EXPECT_TRUE(IsMappingTarget("/dev/ttyUSB0"));
  EXPECT_TRUE(IsMappingTarget("VLINE99-B-TAP"));
  EXPECT_FALSE(IsMappingTarget("ttyUSB0"));

  // An adapter is offered under its by-id link; its description follows it
  // there; a mapping to a device that is gone is shown as absent.
  TempDir dir;
  const std::string tty = dir.Path() + "/ttyUSB0";
  std::ofstream(tty) << "";
  std::filesystem::create_directories(dir.Path() + "/by-id");
  const std::string link = dir.Path() + "/by-id/usb-FTDI_FT232R_A50285BI-if00-port0";
  std::filesystem::create_symlink(tty, link);
  EXPECT_EQ(StableAdapterPath(tty, dir.Path() + "/by-id"), link);
  EXPECT_EQ(StableAdapterPath("/dev/null", dir.Path() + "/by-id"), "/dev/null");
  const std::string settings = dir.Path() + "/Telvane.conf";
  std::ofstream(settings) << "[Ports]\nCOM3=" << link << "\nCOM4=" << dir.Path()
                          << "/gone\nCOM5=VLINE2-B\n";
  const std::vector<clSerialAdapter> adapters = {{tty, "FT232R USB UART", "FTDI", "A50285BI"}};
  const clPortDevice com3 = DescribePortDevice("COM3", settings, adapters);
  EXPECT_TRUE(com3.present && com3.mapped && com3.mappable);
  EXPECT_EQ(com3.Text(), link + " (FT232R USB UART, FTDI, A50285BI)");
  EXPECT_EQ(DescribePortDevice("COM4", settings, adapters).Text(), dir.Path() + "/gone (absent)");
  EXPECT_EQ(DescribePortDevice("COM5", settings, adapters).Text(), "VLINE2-B (virtual line)");
  EXPECT_TRUE(
      DescribePortDevice("COM6", settings, adapters).Text().starts_with("/dev/ttyS5 (default"));
  const clPortDevice own = DescribePortDevice("VLINE3-A", settings, adapters);
  EXPECT_FALSE(own.mappable);
  EXPECT_EQ(DescribePortDevice("LPT1", settings, adapters).Text(), "nothing to open");
}

}  // namespace
