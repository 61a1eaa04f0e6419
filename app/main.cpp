// telvane: the simulator's command-line entry point.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/decode_command.h"
#include "app/dump_command.h"
#include "app/pty_cable.h"
#include "protocol/frame_receiver.h"
#include "protocol/iec101_frame.h"
#include "runtime/serial_port.h"

namespace {

void Print(const clIEC101Frame& frame, bool received) {
  clTrafficRecord record;
  record.received = received;
  record.bytes = frame.HexText();
  record.title = frame.ShortFunctionName();
  record.StampNow();
  std::printf("%s%s\n%s\n", record.FormatHeader().c_str(), record.FormatDescription().c_str(),
              record.FormatElements(false).c_str());
}

bool Send(clSerialPort& port, clIEC101Frame& frame) {
  Print(frame, false);
  return port.Write(frame.Data(), frame.Length()) == frame.Length();
}

bool Receive(clSerialPort& port, clIEC101Frame& frame) {
  FrameStatus status = ReceiveFrame(port, frame, clReceiveTimeouts{50, 1000});
  if (status != FrameComplete || frame.Length() == 0) {
    std::fprintf(stderr, "receive failed (status %d)\n", static_cast<int>(status));
    return false;
  }
  Print(frame, true);
  return true;
}

// Two ports on a pseudo-terminal cable: one asks for the link status, the other answers.
int RunDemo() {
  PtyCable cable;
  if (!cable.Open()) {
    std::fprintf(stderr, "cannot create pseudo-terminals\n");
    return 1;
  }
  clSerialPort primary, secondary;
  primary.SetName(cable.EndA());
  secondary.SetName(cable.EndB());
  if (primary.Open() != 0 || secondary.Open() != 0) {
    std::fprintf(stderr, "Fail to open port '%s'\n", cable.EndA().c_str());
    return 1;
  }
  std::printf("demo: %s <-> %s\n\n", cable.EndA().c_str(), cable.EndB().c_str());
  clIEC101Frame request, answer, got;
  for (clIEC101Frame* f : {&request, &answer, &got}) f->SetSizes(1, 2, 2, 1);

  request.Reset();
  request.AppendOctet(clIEC101Frame::kFixedStart);
  request.AppendOctet(0x49);  // PRM, status of link
  request.AppendLinkAddress(1);
  request.Seal();
  if (!Send(primary, request) || !Receive(secondary, got)) return 1;

  answer.Reset();
  answer.AppendOctet(clIEC101Frame::kFixedStart);
  answer.AppendOctet(0x0B);  // status of link answer
  answer.AppendLinkAddress(1);
  answer.Seal();
  if (!Send(secondary, answer) || !Receive(primary, got)) return 1;
  primary.Close();
  secondary.Close();
  return 0;
}

void Usage() {
  std::fprintf(stderr,
               "usage: telvane --demo\n"
               "       telvane --decode [--sizes LA,CA,COT,IOA] [--role monitor|master|slave]"
               " [--port 1|2] [--structured]\n"
               "       telvane --dump FILE.cf1\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--demo") == 0) return RunDemo();
  if (argc >= 2 && std::strcmp(argv[1], "--decode") == 0) return RunDecodeCommand(argc - 2, argv + 2);
  if (argc >= 2 && std::strcmp(argv[1], "--dump") == 0) return RunDumpCommand(argc - 2, argv + 2);
  Usage();
  return 2;
}
