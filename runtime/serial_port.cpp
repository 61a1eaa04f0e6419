#include "runtime/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "runtime/interrupt.h"
#include "runtime/port_settings.h"
#include "runtime/virtual_line_end.h"

namespace {

using Clock = std::chrono::steady_clock;

// The kernel's termios2, which carries the speed as a number. Declared here
// under its own name because <asm/termbits.h> clashes with <termios.h>; the
// flag constants of both agree. Layout of the generic Linux ABI (x86, ARM,
// RISC-V). Settings go to the driver through it directly: the driver adjusts
// what the line cannot do (a pseudo-terminal forces 8 bits without parity).
struct KernelTermios2 {
  unsigned int c_iflag;
  unsigned int c_oflag;
  unsigned int c_cflag;
  unsigned int c_lflag;
  unsigned char c_line;
  unsigned char c_cc[19];
  unsigned int c_ispeed;
  unsigned int c_ospeed;
};
const unsigned long kTcGets2 = _IOR('T', 0x2A, KernelTermios2);
const unsigned long kTcSets2 = _IOW('T', 0x2B, KernelTermios2);
constexpr unsigned int kCbaud = 0010017;
constexpr unsigned int kBother = 0010000;
constexpr unsigned int kIbaudShift = 16;  // CIBAUD = CBAUD << 16

struct BaudCode {
  int32_t rate;
  speed_t code;
};
// Rates with a fixed termios code; any other rate is set as a number.
constexpr BaudCode kBaudCodes[] = {
    {110, B110},     {200, B200},       {300, B300},       {600, B600},     {1200, B1200},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400},
};

const BaudCode* FindBaudCode(int32_t rate) {
  for (const BaudCode& b : kBaudCodes)
    if (b.rate == rate) return &b;
  return nullptr;
}

bool GetSettings(int fd, KernelTermios2& t) { return ioctl(fd, kTcGets2, &t) == 0; }
bool SetSettings(int fd, const KernelTermios2& t) { return ioctl(fd, kTcSets2, &t) == 0; }

// A rate with a termios code goes in the CBAUD field; any other rate is given
// as a number with BOTHER. Input runs at the output speed.
void SetSpeed(KernelTermios2& t, int32_t rate) {
  const BaudCode* code = FindBaudCode(rate);
  t.c_cflag &= ~(kCbaud | (kCbaud << kIbaudShift));
  t.c_cflag |= code ? code->code : kBother;
  t.c_ispeed = static_cast<unsigned int>(rate);
  t.c_ospeed = static_cast<unsigned int>(rate);
}

// How often modem lines and the output queue are looked at while waiting.
constexpr auto kModemLinePoll = std::chrono::milliseconds(5);
constexpr auto kDrainPoll = std::chrono::milliseconds(20);
// An octet takes at most this many bit times (start, 8 data, parity, 2 stop).
constexpr int64_t kBitsPerOctetBound = 12;
constexpr int kShiftRegisterPolls = 4;

// Milliseconds left until `deadline`, rounded up so a poll never ends early.
int RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Raw octets, no echo, no signals, modem lines ignored; read() never blocks.
bool MakeRaw(int fd) {
  KernelTermios2 t{};
  if (!GetSettings(fd, t)) return false;
  t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  return SetSettings(fd, t);
}

}  // namespace

clSerialPort::clSerialPort() = default;
clSerialPort::~clSerialPort() { Close(); }

int32_t clSerialPort::Open(const clInterrupt* interrupt) {
  if (state_.load(std::memory_order_acquire) != kStateClosed) return FailOpen(kAlreadyOpen, EBUSY);
  osError_.store(0, std::memory_order_relaxed);
  // The one place where a port name becomes what it opens.
  const std::string path = ResolvePortTarget(name_);
  VirtualLineName virtualName;
  if (ParseVirtualLineName(path, &virtualName)) {
    vline_ = clVirtualLineEnd::Open(virtualName);
    if (!vline_) return FailOpen(kOpenFailed, EBUSY);  // as a tty held by another port
    interrupt_ = interrupt;
    state_.store(kStateOpen, std::memory_order_release);
    return ApplySettingsOnOpen();
  }
  if (path.empty()) return FailOpen(kOpenFailed, 0);

  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FailOpen(kOpenFailed, errno);
  // TIOCEXCL refuses later opens except by root; the advisory lock also
  // refuses a second owner running as root.
  int refused = 0;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0)
    refused = errno == EWOULDBLOCK ? EBUSY : errno;
  else if (ioctl(fd, TIOCEXCL) != 0 || !MakeRaw(fd))
    refused = errno;
  if (refused != 0) {
    ::close(fd);
    return FailOpen(kOpenFailed, refused);
  }
  fd_ = fd;
  interrupt_ = interrupt;
  state_.store(kStateOpen, std::memory_order_release);
  return ApplySettingsOnOpen();
}

std::string clSerialPort::DevicePath() const {
  const std::string path = ResolvePortTarget(name_);
  VirtualLineName virtualName;
  if (ParseVirtualLineName(path, &virtualName)) {
    std::string end =
        "VLINE" + std::to_string(virtualName.cable) + (virtualName.side ? "-B" : "-A");
    return virtualName.tap ? end + "-TAP" : end;
  }
  return path;
}

int32_t clSerialPort::ApplySettingsOnOpen() {
  lastReadTimeoutMs_ = -1;
  errno = 0;
  if (ApplyLineSettings(baudRate_, dataBits_, parity_, stopBits_) != kOk ||
      ApplyFlowControl(flowControl_) != kOk) {
    // A setting the line cannot take fails without a system error.
    const int refused = errno != 0 ? errno : EINVAL;
    Close();
    return FailOpen(kOpenFailed, refused);
  }
  return Fail(kOk);
}

void clSerialPort::Close() {
  Fail(kOk);
  interrupt_ = nullptr;
  ReleaseLine();
  state_.store(kStateClosed, std::memory_order_release);
}

void clSerialPort::ReleaseLine() {
  vline_.reset();
  if (fd_ < 0) return;
  ioctl(fd_, TIOCNXCL);  // let the next owner in; the lock goes with the fd
  ::close(fd_);
  fd_ = -1;
}

int32_t clSerialPort::ApplyLineSettings(int32_t baudRate, int32_t dataBits, int32_t parity,
                                        int32_t stopBits) {
  Fail(kOk);
  if (vline_) {
    if (!vline_->ApplyLineSettings(baudRate, dataBits, parity, stopBits))
      return Fail(kControlBlockFailed);
    return LastError();
  }
  KernelTermios2 t{};
  if (fd_ < 0 || baudRate <= 0 || !GetSettings(fd_, t)) return Fail(kControlBlockFailed);
  SetSpeed(t, baudRate);

  t.c_cflag &= ~CSIZE;
  switch (dataBits) {
    case 5:
      t.c_cflag |= CS5;
      break;
    case 6:
      t.c_cflag |= CS6;
      break;
    case 7:
      t.c_cflag |= CS7;
      break;
    case 8:
      t.c_cflag |= CS8;
      break;
    default:
      return Fail(kControlBlockFailed);
  }

  switch (parity) {
    case kParityNone:
      t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
      break;
    case kParityOdd:
      t.c_cflag = (t.c_cflag & ~CMSPAR) | PARENB | PARODD;
      break;
    case kParityEven:
      t.c_cflag = (t.c_cflag & ~(CMSPAR | PARODD)) | PARENB;
      break;
    // With CMSPAR the parity bit is constant: PARODD makes it 1 (mark).
    case kParityMark:
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case kParitySpace:
      t.c_cflag = (t.c_cflag & ~PARODD) | PARENB | CMSPAR;
      break;
    default:
      break;  // unknown code: the tty keeps its parity
  }
  if (parity == kParityNone)
    t.c_iflag &= ~INPCK;
  else
    t.c_iflag |= INPCK;

  switch (stopBits) {
    case kStopBitsOne:
      t.c_cflag &= ~CSTOPB;
      break;
    // termios has no one-and-a-half stop bits; two is the nearest the UART
    // can send, and a receiver expecting 1.5 accepts it.
    case kStopBitsOneAndHalf:
    case kStopBitsTwo:
      t.c_cflag |= CSTOPB;
      break;
    default:
      break;
  }

  if (!SetSettings(fd_, t)) return Fail(kControlBlockFailed);
  return LastError();
}

int32_t clSerialPort::ApplyFlowControl(int32_t value) {
  Fail(kOk);
  // A virtual line has no modem lines and never stalls: every mode is taken
  // as it is, and toggle mode still times RTS in Write.
  if (vline_) return value < kFlowNone || value > kFlowRtsOn ? Fail(kControlBlockFailed) : kOk;
  KernelTermios2 t{};
  if (fd_ < 0 || value < kFlowNone || value > kFlowRtsOn || !GetSettings(fd_, t))
    return Fail(kControlBlockFailed);
  t.c_iflag &= ~(IXON | IXOFF);
  t.c_cflag &= ~CRTSCTS;
  if (value == kFlowSoftware) t.c_iflag |= IXON | IXOFF;
  if (value == kFlowHardware) t.c_cflag |= CRTSCTS;
  if (!SetSettings(fd_, t)) return Fail(kControlBlockFailed);
  // Toggle mode keys RTS per frame in Write, so it rests low; "RTS on" holds it.
  if (value == kFlowRtsToggle) SetRts(false);
  if (value == kFlowRtsOn) SetRts(true);
  return LastError();
}

void clSerialPort::SetRts(bool on) {
  if (fd_ < 0) return;  // a virtual line: RTS is only timed
  int bits = TIOCM_RTS;
  // Pseudo-terminals have no modem lines and refuse this; the octets still flow.
  (void)ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits);
}

int32_t clSerialPort::LineGone(int32_t code) {
  // A read of 0 after a hang-up leaves errno as the last "try again".
  lineLossError_.store(errno == EAGAIN || errno == EINTR ? 0 : errno, std::memory_order_relaxed);
  lineLosses_.fetch_add(1, std::memory_order_release);
  ReleaseLine();
  state_.store(kStateLineGone, std::memory_order_release);
  return code == kOk ? Fail(kOk) : Fail(code);
}

int32_t clSerialPort::Read(uint8_t* buffer, int32_t count, int32_t timeoutMs,
                           Clock::time_point* firstArrival) {
  Fail(kOk);
  if (!IsOpen()) return Fail(kNotOpen);
  int32_t wanted = timeoutMs;
  if (timeoutMs == 0) wanted = readTimeoutMs_;
  if (timeoutMs < 0) wanted = lastReadTimeoutMs_ >= 0 ? lastReadTimeoutMs_ : readTimeoutMs_.load();
  if (wanted < 0) wanted = 0;
  lastReadTimeoutMs_ = wanted;
  if (count <= 0 || buffer == nullptr) return 0;
  if (vline_) {
    const int32_t got = vline_->Read(buffer, count, wanted, firstArrival);
    return got < 0 ? Fail(kReadFailed) : got;
  }

  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(wanted);
  int32_t got = 0;
  bool hungUp = false;
  for (;;) {
    ssize_t n = ::read(fd_, buffer + got, static_cast<size_t>(count - got));
    if (n > 0) {
      if (got == 0 && firstArrival != nullptr) *firstArrival = Clock::now();
      got += static_cast<int32_t>(n);
      if (got == count) return got;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return LineGone(kReadFailed);
    if (hungUp) return LineGone(kReadFailed);  // readable only because the line is gone

    int left = RemainingMs(deadline);
    if (left == 0) return got;
    pollfd p{fd_, POLLIN, 0};
    int r = ::poll(&p, 1, left);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return Fail(kReadFailed);
    if (p.revents & (POLLERR | POLLNVAL)) return LineGone(kReadFailed);
    if (r == 0) return got;
    hungUp = (p.revents & POLLHUP) != 0;
  }
}

bool clSerialPort::WaitUntil(Clock::time_point deadline) const {
  if (interrupt_ != nullptr) return interrupt_->WaitUntil(deadline);
  std::this_thread::sleep_until(deadline);
  return true;
}

bool clSerialPort::WaitMs(int32_t ms) const {
  return ms <= 0 || WaitUntil(Clock::now() + std::chrono::milliseconds(ms));
}

Clock::duration clSerialPort::WriteStallLimit() const {
  return std::chrono::milliseconds(writeTimeoutMs_ > 0 ? writeTimeoutMs_.load() : 1000);
}

bool clSerialPort::ClearToSend() const {
  if (vline_) return vline_->ClearToSend();
  int lines = 0;
  // A tty without modem lines (a pseudo-terminal) is never held back.
  if (ioctl(fd_, TIOCMGET, &lines) != 0) return true;
  return (lines & TIOCM_CTS) != 0;
}

bool clSerialPort::WaitForCts() const {
  const Clock::time_point deadline = Clock::now() + WriteStallLimit();
  for (;;) {
    if (ClearToSend()) return true;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return false;
    if (!WaitUntil(std::min(now + kModemLinePoll, deadline))) return false;
  }
}

bool clSerialPort::Drain(int32_t written) const {
  const int32_t baud = std::max<int32_t>(DeviceBaudRate(), 1);
  const auto octetTime = std::chrono::nanoseconds(kBitsPerOctetBound * 1'000'000'000LL / baud);
  const Clock::time_point deadline = Clock::now() + octetTime * written + WriteStallLimit();
  for (;;) {
    int queued = 0;
    if (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) break;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return true;  // the line does not drain: give up waiting
    if (!WaitUntil(std::min({now + octetTime * queued, now + kDrainPoll, deadline}))) return false;
  }
  // The last octet may still be in the UART's shift register.
  int status = 0;
  for (int polls = 0; ioctl(fd_, TIOCSERGETLSR, &status) == 0 && !(status & TIOCSER_TEMT) &&
                      polls < kShiftRegisterPolls;
       ++polls) {
    if (!WaitUntil(Clock::now() + octetTime)) return false;
  }
  return true;
}

int32_t clSerialPort::WriteAll(const uint8_t* buffer, int32_t count) {
  const Clock::time_point deadline = Clock::now() + WriteStallLimit();
  int32_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, buffer + done, static_cast<size_t>(count - done));
    if (n > 0) {
      done += static_cast<int32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      LineGone(kOk);
      return -1;
    }
    int left = RemainingMs(deadline);
    pollfd p[2] = {{fd_, POLLOUT, 0}, {interrupt_ ? interrupt_->Fd() : -1, POLLIN, 0}};
    int r = left > 0 ? ::poll(p, 2, left) : 0;
    if (r < 0 && errno == EINTR) continue;
    if (interrupt_ != nullptr && interrupt_->Raised()) return done;  // stopping: not a failure
    if (r > 0 && (p[0].revents & (POLLERR | POLLNVAL | POLLHUP))) {
      LineGone(kOk);
      return done > 0 ? done : -1;
    }
    if (r <= 0) break;
  }
  return done > 0 ? done : -1;
}

// Modes 3 and 4 send a frame only once CTS is up: in mode 3 after RTS went up
// and the pre-key delay passed, in mode 4 (RTS always up) at once. Without CTS
// within the write time-out the frame is not sent and 0 is returned, as from
// a driver whose write time-out passed. In mode 3 the post-key delay counts
// from the last stop bit, then RTS drops.
int32_t clSerialPort::Write(const uint8_t* buffer, int32_t count) {
  Fail(kOk);
  if (!IsOpen()) {
    Fail(kNotOpen);
    return -1;
  }
  if (count < 0) {
    Fail(kWriteNegativeCount);
    return -1;
  }
  if (count == 0 || buffer == nullptr) return 0;
  const int32_t flow = flowControl_;
  const bool keyed = flow == kFlowRtsToggle;
  int32_t written = 0;
  if (keyed) SetRts(true);
  if ((!keyed || WaitMs(rtsPreKeyMs_)) && (!(keyed || flow == kFlowRtsOn) || WaitForCts())) {
    if (vline_) {
      const Clock::time_point lastStopBit = vline_->Write(buffer, count);
      written = count;
      if (keyed && WaitUntil(lastStopBit)) WaitMs(rtsPostKeyMs_);
    } else {
      written = WriteAll(buffer, count);
      // On a failed write RTS drops at once, so the line is not held keyed.
      if (keyed && written > 0 && IsOpen() && Drain(written)) WaitMs(rtsPostKeyMs_);
    }
  }
  if (keyed) SetRts(false);
  return written;
}

int32_t clSerialPort::Purge() {
  if (vline_) {
    vline_->Purge();
    return Fail(kOk);
  }
  if (fd_ < 0 || tcflush(fd_, TCIOFLUSH) != 0) return Fail(kNotOpen);
  return Fail(kOk);
}

int32_t clSerialPort::DeviceBaudRate() const {
  if (vline_) return vline_->BaudRate();
  KernelTermios2 t2{};
  if (fd_ < 0 || !GetSettings(fd_, t2)) return -1;
  return static_cast<int32_t>(t2.c_ospeed);
}
