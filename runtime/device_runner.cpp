#include "runtime/device_runner.h"

#include <cstring>

#include "runtime/serial_port.h"

std::string clStartFailure::Message() const {
  switch (kind) {
    case kPortFailed:
      return "Fail to open port '" + port + "'";
    case kAlreadyRunning:
      return "already running";
    case kNoRunner:
      return "this role cannot run yet";
    case kNotInWorkspace:
      return "not in the workspace";
    case kNone:
      break;
  }
  return "";
}

std::string clStartFailure::Detail() const {
  std::string known;
  const auto add = [&known](const std::string& part) {
    if (part.empty()) return;
    known += known.empty() ? part : ", " + part;
  };
  if (!path.empty() && path != port) {
    known = path + (reason.empty() ? "" : ": " + reason);
  } else {
    add(reason);
  }
  if (!heldBy.empty()) add("held by " + heldBy);
  return known.empty() ? Message() : Message() + " (" + known + ")";
}

bool clDeviceRunner::Start(std::string* failedPort) {
  clStartFailure failure;
  if (Start(&failure)) return true;
  if (failedPort) *failedPort = failure.port;
  return false;
}

void DescribePortFailure(const std::string& name, const clSerialPort* port, int32_t code,
                         clStartFailure* failure) {
  if (failure == nullptr) return;
  failure->kind = clStartFailure::kPortFailed;
  failure->port = name;
  if (port == nullptr) {
    failure->reason = "no port of that name in the workspace";
    return;
  }
  failure->path = port->DevicePath();
  failure->code = code;
  failure->osError = port->LastOsError();
  if (failure->path.empty())
    failure->reason = "the name opens no device (COMn, /dev/..., VLINEn-A or VLINEn-B)";
  else if (failure->osError != 0)
    failure->reason = std::strerror(failure->osError);
}
