#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

class clInterrupt;
class clVirtualLineEnd;

// One serial line of the workspace: its settings, and the open tty while a
// device uses it. Opened exclusively, so only one device at a time drives it.
//
// Threads: the device that opened the port reads and writes from its worker
// thread, unlocked. The settings dialog changes the settings fields from the
// user-interface thread at any time, hence they are atomics; flow control,
// RTS delays and the read time-out are read at every Write/Read, the line
// settings reach the tty only at the next Open. Name and id are changed by the
// user-interface thread only while no device runs.
//
// A name of the form VLINE<n>-A, VLINE<n>-B, VLINE<n>-A-TAP or VLINE<n>-B-TAP
// (n 1..99, any letter case) opens an end or a tap of built-in null-modem
// cable n instead of a tty. It behaves like a tty to the caller: exclusive
// open, the same read time-outs and codes, writes paced at this port's line
// speed, and Write returns at once as a driver buffer would.
//
// Failures are reported as codes (kOk ... kControlBlockFailed), returned and
// kept as LastError(); nothing is thrown.
class clSerialPort {
 public:
  enum : int32_t {
    kOk = 0,
    kOpenFailed = 1,  // device did not open, or settings failed on open
    kReadFailed = 2,
    kWriteNegativeCount = 3,  // kept for the table; write() never reports it
    kNotOpen = 4,             // also: purge failed
    kAlreadyOpen = 5,
    kControlBlockFailed = 6,  // reading or writing the line settings failed
  };

  enum : int32_t { kStopBitsOne = 1, kStopBitsOneAndHalf = 2, kStopBitsTwo = 4 };
  enum : int32_t {
    kParityNone = 0x100,
    kParityOdd = 0x200,
    kParityEven = 0x400,
    kParityMark = 0x800,
    kParitySpace = 0x1000,
  };
  enum : int32_t {
    kFlowNone = 0,
    kFlowSoftware = 1,
    kFlowHardware = 2,
    kFlowRtsToggle = 3,
    kFlowRtsOn = 4,
  };

  clSerialPort();
  ~clSerialPort();
  clSerialPort(const clSerialPort&) = delete;
  clSerialPort& operator=(const clSerialPort&) = delete;

  // Opens the device or virtual line end named by Name() exclusively in raw
  // mode and applies all settings. 5 when already open (the open tty is
  // kept), 1 on any failure, also when another port holds the name (nothing
  // stays open). LastOsError() then tells the system's reason. While open,
  // every wait inside Write ends early once `interrupt` (when given; it must
  // outlive the open port) is raised.
  int32_t Open(const clInterrupt* interrupt = nullptr);
  // Closes the tty or virtual line end if open, and lets the next device in;
  // last error 0.
  void Close();
  // Open, and its line still there. A line that hung up or failed closes the
  // tty, but the port stays held (Open by another device answers 5) until its
  // owner closes it: two devices never share one port. Any thread may ask.
  bool IsOpen() const { return state_.load(std::memory_order_acquire) == kStateOpen; }

  // Applies speed, character size, parity and stop bits to the open tty.
  int32_t ApplyLineSettings(int32_t baudRate, int32_t dataBits, int32_t parity, int32_t stopBits);
  // Applies the flow-control mode (0..4) to the open tty.
  int32_t ApplyFlowControl(int32_t value);

  // Reads up to `count` octets, waiting at most the chosen time-out for all of
  // them: timeoutMs 0 means the port's read time-out, >= 1 that many ms,
  // negative keeps the time-out of the previous read. Returns the number of
  // octets read (0 when none came in time), or 2 / 4 on failure. Callers read
  // one octet per call, so only the result 1 means "an octet arrived". A tty
  // that hung up or failed closes the port (IsOpen() turns false).
  // firstArrival, when given and octets were read, gets when the first of them
  // arrived: exactly for a virtual line, when the read took it for a tty.
  int32_t Read(uint8_t* buffer, int32_t count, int32_t timeoutMs,
               std::chrono::steady_clock::time_point* firstArrival = nullptr);
  // Writes the octets, keying RTS around them with flow control 3 and waiting
  // for CTS with flow control 3 and 4. Returns the number written (0 when CTS
  // did not come, or the wait was interrupted before anything was sent), or
  // -1 when the write failed; a tty that is gone closes the port, as in Read.
  // Every wait in it is bounded by the delays and the write time-out, and
  // ends early when the open's interrupt is raised.
  int32_t Write(const uint8_t* buffer, int32_t count);
  // Discards pending input and output of the driver.
  int32_t Purge();

  // Speed the tty really runs at, read back from the driver; for a virtual
  // line the speed applied at open (-1 when closed).
  int32_t DeviceBaudRate() const;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  int32_t Id() const { return id_; }
  void SetId(int32_t id) { id_ = id; }
  int32_t LastError() const { return lastError_.load(std::memory_order_relaxed); }
  // How often the line went away under this open port (a hang-up or an I/O error
  // closed it), and the system's reason the last time (0 for a hang-up). Any
  // thread may read them, to tell the user.
  uint32_t LineLosses() const { return lineLosses_.load(std::memory_order_acquire); }
  int32_t LineLossError() const { return lineLossError_.load(std::memory_order_relaxed); }
  // errno of the last Open that failed (EBUSY for a port or virtual line end
  // already open), 0 after a successful one or when no system call failed.
  int32_t LastOsError() const { return osError_.load(std::memory_order_relaxed); }
  // What Open opens: the device path the name resolves to, or the virtual
  // line end's name in upper case; "" when the name opens nothing.
  std::string DevicePath() const;

  int32_t BaudRate() const { return baudRate_; }
  void SetBaudRate(int32_t v) { baudRate_ = v; }
  int32_t StopBits() const { return stopBits_; }
  void SetStopBits(int32_t v) { stopBits_ = v; }
  int32_t DataBits() const { return dataBits_; }
  void SetDataBits(int32_t v) { dataBits_ = v; }
  int32_t Parity() const { return parity_; }
  void SetParity(int32_t v) { parity_ = v; }
  int32_t FlowControl() const { return flowControl_; }
  void SetFlowControl(int32_t v) { flowControl_ = v; }
  int32_t RtsPreKeyMs() const { return rtsPreKeyMs_; }
  void SetRtsPreKeyMs(int32_t v) { rtsPreKeyMs_ = v; }
  int32_t RtsPostKeyMs() const { return rtsPostKeyMs_; }
  void SetRtsPostKeyMs(int32_t v) { rtsPostKeyMs_ = v; }
  int32_t ReadTimeoutMs() const { return readTimeoutMs_; }
  void SetReadTimeoutMs(int32_t v) { readTimeoutMs_ = v; }
  // Stored with the port; also bounds how long Write waits for a stalled tty.
  int32_t WriteTimeoutMs() const { return writeTimeoutMs_; }
  void SetWriteTimeoutMs(int32_t v) { writeTimeoutMs_ = v; }

 private:
  int32_t Fail(int32_t code) {
    lastError_.store(code, std::memory_order_relaxed);
    return code;
  }
  // Open's failure: code 1 (or 5) with the system's reason.
  int32_t FailOpen(int32_t code, int osError) {
    osError_.store(osError, std::memory_order_relaxed);
    return Fail(code);
  }
  // The tty hung up or reported an I/O error: the device behind it is gone (a
  // pseudo-terminal whose other side closed, an unplugged adapter). The tty is
  // closed, so that its user sees a closed port rather than reading a dead line
  // in a loop, but the port stays held until its user closes it; returns
  // Fail(code), or kOk for code kOk.
  int32_t LineGone(int32_t code);
  int32_t ApplySettingsOnOpen();
  // Closes the tty or the virtual line end, leaving the state to the caller.
  void ReleaseLine();
  int32_t WriteAll(const uint8_t* buffer, int32_t count);
  void SetRts(bool on);
  // The waits of Write: false when the interrupt ended them.
  bool WaitUntil(std::chrono::steady_clock::time_point deadline) const;
  bool WaitMs(int32_t ms) const;
  bool WaitForCts() const;
  // Waits until `written` octets have left the tty (bounded by their line time
  // and the write time-out); false when interrupted.
  bool Drain(int32_t written) const;
  bool ClearToSend() const;
  std::chrono::steady_clock::duration WriteStallLimit() const;

  std::string name_ = "COM1";
  int32_t id_ = 0;
  std::atomic<int32_t> baudRate_{9600};
  std::atomic<int32_t> stopBits_{kStopBitsOne};
  std::atomic<int32_t> dataBits_{8};
  std::atomic<int32_t> parity_{kParityEven};
  std::atomic<int32_t> flowControl_{kFlowNone};
  std::atomic<int32_t> rtsPreKeyMs_{100};
  std::atomic<int32_t> rtsPostKeyMs_{100};
  std::atomic<int32_t> readTimeoutMs_{1000};
  std::atomic<int32_t> writeTimeoutMs_{1000};
  std::atomic<uint32_t> lineLosses_{0};
  std::atomic<int32_t> lineLossError_{0};

  // Owned by the thread that opened the port.
  int fd_ = -1;
  std::unique_ptr<clVirtualLineEnd> vline_;  // set instead of fd_ for a virtual line
  const clInterrupt* interrupt_ = nullptr;   // given to Open, forgotten by Close
  // Set by the thread that uses the port; also by a refused Open from another.
  std::atomic<int32_t> lastError_{kOk};
  std::atomic<int32_t> osError_{0};
  // Written by the owner (Open, Close, a lost line), read by anyone.
  enum : int32_t { kStateClosed, kStateOpen, kStateLineGone };
  std::atomic<int32_t> state_{kStateClosed};
  int32_t lastReadTimeoutMs_ = -1;  // -1: none used yet, take the port's own
};
