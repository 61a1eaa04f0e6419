#include "runtime/virtual_line_end.h"

#include "runtime/serial_port.h"
#include "runtime/virtual_lines.h"

std::unique_ptr<clVirtualLineEnd> clVirtualLineEnd::Open(const VirtualLineName& name) {
  clVirtualLine* cable = clVirtualLines::Instance().Cable(name.cable);
  if (cable == nullptr) return nullptr;
  const int32_t endpoint = clVirtualLine::EndpointOf(name);
  const uint64_t session = cable->Attach(endpoint);
  if (session == 0) return nullptr;
  std::unique_ptr<clVirtualLineEnd> end(new clVirtualLineEnd(cable, endpoint, session));
  end->UpdateHalfBits();
  return end;
}

clVirtualLineEnd::~clVirtualLineEnd() { cable_->Detach(endpoint_, session_); }

bool clVirtualLineEnd::ApplyLineSettings(int32_t baudRate, int32_t dataBits, int32_t parity,
                                         int32_t stopBits) {
  if (baudRate <= 0 || dataBits < 5 || dataBits > 8) return false;
  timing_.baudRate = baudRate;
  dataBits_ = dataBits;
  switch (parity) {
    case clSerialPort::kParityNone:
      parityBit_ = false;
      break;
    case clSerialPort::kParityOdd:
    case clSerialPort::kParityEven:
    case clSerialPort::kParityMark:
    case clSerialPort::kParitySpace:
      parityBit_ = true;
      break;
    default:
      break;
  }
  switch (stopBits) {
    case clSerialPort::kStopBitsOne:
      stopHalfBits_ = 2;
      break;
    case clSerialPort::kStopBitsOneAndHalf:
      stopHalfBits_ = 3;
      break;
    case clSerialPort::kStopBitsTwo:
      stopHalfBits_ = 4;
      break;
    default:
      break;
  }
  UpdateHalfBits();
  return true;
}

void clVirtualLineEnd::UpdateHalfBits() {
  const int32_t bits = 1 + dataBits_ + (parityBit_ ? 1 : 0);  // start, data, parity
  timing_.halfBits = 2 * bits + stopHalfBits_;
}

int32_t clVirtualLineEnd::Read(uint8_t* buffer, int32_t count, int32_t timeoutMs,
                               Clock::time_point* firstArrival) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  return cable_->Receive(endpoint_, session_, buffer, count, deadline, firstArrival);
}

clVirtualLineEnd::Clock::time_point clVirtualLineEnd::Write(const uint8_t* buffer, int32_t count) {
  return cable_->Send(endpoint_, buffer, count, timing_);
}

void clVirtualLineEnd::Purge() { cable_->Discard(endpoint_, session_); }

uint64_t clVirtualLineEnd::OverflowCount() const { return cable_->OverflowCount(endpoint_); }
