#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/device_runner.h"

class clDevice;
class clWorkspace;

// The behaviour attached to the devices of one workspace: one runner per device,
// made on first use and kept until the workspace goes. This is where "Start",
// "Stop", "Start All" and "Stop All" are carried out.
//
// Threads: used by one controlling thread. Destroy it (or StopAll) before the
// workspace's devices go.
class clDeviceRunners {
 public:
  explicit clDeviceRunners(clWorkspace& workspace) : workspace_(workspace) {}
  ~clDeviceRunners();

  // The device's runner, made now if needed; null for a device whose role has no
  // behaviour in this build.
  clDeviceRunner* RunnerFor(clDevice& device);
  // "Start": false with the port that did not open (or a reason) in failure.
  bool Start(clDevice& device, std::string* failure);
  void Stop(clDevice& device);
  // Stops and destroys the device's runner; call it before the device is deleted.
  void Discard(const clDevice& device);
  // Starts every stopped device whose port(s) open: monitors first, so that a
  // monitor on the taps of a virtual line sees the first frame of the others,
  // then slaves, then masters. Returns one "<device>: <reason>" per failure.
  std::vector<std::string> StartAll();
  void StopAll();
  // The device with this name, of any role (names compared without case).
  clDevice* FindDevice(const std::string& name) const;

 private:
  clWorkspace& workspace_;
  std::map<const clDevice*, std::unique_ptr<clDeviceRunner>> runners_;
};
