#pragma once
#include <cstdint>
#include <string>

class clSerialPort;

// Why a device did not start, with what a user needs to mend it: which port,
// what that name opens on this computer, what the system said, and which
// device already holds the port.
struct clStartFailure {
  enum Kind : int32_t {
    kNone = 0,
    kPortFailed,      // a port is missing from the port list or did not open
    kAlreadyRunning,  // nothing was done
    kNoRunner,        // the device's role cannot run here
    kNotInWorkspace,  // a proposal or a copy: only the workspace's devices run
  };
  Kind kind = kNone;
  std::string device;  // the device's name (filled by whoever knows it)
  std::string port;    // the port name as the device refers to it
  // What the name opens: a device path (/dev/ttyS0, a [Ports] mapping) or the
  // virtual line end's name; empty when the name opens nothing.
  std::string path;
  int32_t code = 0;     // the port's Open result (1 failed, 5 already open); 0 when not tried
  int32_t osError = 0;  // errno of the failed system call, 0 when there was none
  std::string reason;   // the system's text for osError, or why nothing was tried
  std::string heldBy;   // the device of the same workspace that has the port open, if known

  // The one user-visible text: "Fail to open port '%s'" for a port, otherwise a
  // short phrase ("already running", "this role cannot run yet", "not in the
  // workspace").
  std::string Message() const;
  // Message() followed by what is known: "(/dev/ttyS0: Device or resource
  // busy, held by Slave1)".
  std::string Detail() const;
};

// What the workspace commands need of a device's behaviour: start it on its
// port(s) and stop it again. Each role (master, slave, monitor) implements one.
// Start and Stop are called from one controlling thread (the user interface or
// the headless runner), never concurrently.
class clDeviceRunner {
 public:
  virtual ~clDeviceRunner() = default;

  // Opens the device's port(s) and starts its worker thread. On failure the
  // device stays stopped and no port it opened stays open (ports held by others
  // are never touched); failure, when given, says why (device name excepted).
  // Returns false when already running or a port failed.
  virtual bool Start(clStartFailure* failure) = 0;
  // The same, giving only the name of the port that did not open.
  bool Start(std::string* failedPort);
  // Stops the worker thread, then closes the port(s) this device opened and
  // resets the link state. Does nothing on a device that does not run.
  virtual void Stop() = 0;
  virtual bool IsRunning() const = 0;
};

// Fills failure (when given) for the port a device names as `name` that did
// not open: `port` is the port list's object and `code` what its Open
// returned, or port is null when the list has no port of that name.
void DescribePortFailure(const std::string& name, const clSerialPort* port, int32_t code,
                         clStartFailure* failure);
