#pragma once
#include <cstdint>
#include <memory>

#include "runtime/virtual_line.h"

// One open end or tap of a virtual line, as a serial port holds it in place
// of a tty: it carries the line settings applied at open (they set the
// pace of what this end sends) and reads and writes through the cable.
// Closing is destroying it.
//
// Threads: owned by the thread that opened the port, like a tty descriptor.
class clVirtualLineEnd {
 public:
  using Clock = clVirtualLine::Clock;

  // Opens the named end exclusively; nullptr when it is already open.
  static std::unique_ptr<clVirtualLineEnd> Open(const VirtualLineName& name);
  ~clVirtualLineEnd();
  clVirtualLineEnd(const clVirtualLineEnd&) = delete;
  clVirtualLineEnd& operator=(const clVirtualLineEnd&) = delete;

  // Takes the settings a UART would: speed above 0 and 5 to 8 data bits, or
  // false and nothing changes. A parity or stop-bits code the port does not
  // know keeps the previous choice, as on a tty. Starts as 9600 8N1.
  bool ApplyLineSettings(int32_t baudRate, int32_t dataBits, int32_t parity, int32_t stopBits);
  int32_t BaudRate() const { return timing_.baudRate; }
  const VirtualLineTiming& Timing() const { return timing_; }

  // Reads up to `count` octets, waiting at most `timeoutMs` for all of them.
  // Returns how many arrived in time, or -1 when the end is not open;
  // firstArrival, when given, gets the moment the first of them arrived.
  int32_t Read(uint8_t* buffer, int32_t count, int32_t timeoutMs,
               Clock::time_point* firstArrival = nullptr);
  // Sends the octets and returns at once, like a driver taking them into its
  // buffer; the result is when the last stop bit will have left the line.
  Clock::time_point Write(const uint8_t* buffer, int32_t count);
  // Whether the modem at this end lets it send (clVirtualLine::ClearToSend).
  bool ClearToSend() const { return cable_->ClearToSend(endpoint_); }
  // Discards input that has arrived or is still under way.
  void Purge();
  // Octets lost because this end's unread input was full.
  uint64_t OverflowCount() const;

 private:
  clVirtualLineEnd(clVirtualLine* cable, int32_t endpoint, uint64_t session)
      : cable_(cable), endpoint_(endpoint), session_(session) {}
  void UpdateHalfBits();

  clVirtualLine* const cable_;
  const int32_t endpoint_;
  const uint64_t session_;
  VirtualLineTiming timing_;
  int32_t dataBits_ = 8;
  bool parityBit_ = false;
  int32_t stopHalfBits_ = 2;
};
