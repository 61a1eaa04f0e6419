#include "protocol/frame_receiver.h"

#include "runtime/serial_port.h"
#include "runtime/timer.h"

FrameStatus ReceiveFrame(clSerialPort& port, clIEC101Frame& frame,
                         const clReceiveTimeouts& timeouts,
                         const std::function<bool()>& keepWaiting) {
  frame.Reset();
  clTimer frameTimer(timeouts.frameMs);
  frameTimer.Start();
  for (;;) {
    uint8_t octet = 0;
    if (port.Read(&octet, 1, timeouts.octetReadMs) == 1) {
      frameTimer.Start();
      if (!frame.AppendOctet(octet)) return FrameOverflow;
      FrameStatus status = frame.Check();
      if (status != FrameIncomplete) return status;
      continue;
    }
    if (frame.Length() == 0) {
      if (!keepWaiting || !keepWaiting()) return FrameComplete;
      continue;
    }
    if (frameTimer.IsExpired()) return FrameTimeout;
    // A closed port returns at once rather than waiting; do not spin on it.
    if (!port.IsOpen()) return FrameTimeout;
  }
}
