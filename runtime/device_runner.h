#pragma once
#include <cstdint>
#include <string>

// What the workspace commands need of a device's behaviour: start it on its
// port(s) and stop it again. Each role (master, slave, monitor) implements one.
// Start and Stop are called from one controlling thread (the user interface or
// the headless runner), never concurrently.
class clDeviceRunner {
 public:
  virtual ~clDeviceRunner() = default;

  // Opens the device's port(s) and starts its worker thread. On failure nothing
  // stays open, the device stays stopped, and failedPort names the port that did
  // not open. Returns false when already running or a port failed.
  virtual bool Start(std::string* failedPort) = 0;
  // Stops the worker thread (bounded wait), then closes the port(s) and resets
  // the link state. Does nothing when stopped.
  virtual void Stop() = 0;
  virtual bool IsRunning() const = 0;
};
