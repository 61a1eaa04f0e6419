#pragma once
#include <cstdint>
#include <functional>

#include "protocol/iec101_frame.h"

class clSerialPort;

// The time-outs of one receiver role.
struct clReceiveTimeouts {
  int32_t octetReadMs = 50;     // per-octet read time-out passed to the port
  uint32_t frameMs = 1000;      // counted from the last octet received
};

// Gathers one frame from the port into frame, octet by octet, checking after each.
// Returns the first status that is not FrameIncomplete, FrameOverflow when the
// buffer is full, or FrameTimeout when the frame stops arriving for frameMs.
// When nothing at all arrives: with no keepWaiting (the monitor) it returns
// FrameComplete with an empty frame after one read time-out; otherwise it goes on
// reading while keepWaiting() is true, then returns FrameComplete, empty.
FrameStatus ReceiveFrame(clSerialPort& port, clIEC101Frame& frame,
                         const clReceiveTimeouts& timeouts,
                         const std::function<bool()>& keepWaiting = nullptr);
