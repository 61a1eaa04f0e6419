#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/workspace.h"
#include "runtime/device_runner.h"

class clDevice;

// The behaviour attached to the devices of one workspace: one runner (engine)
// per device, made on first use. This is where "Start", "Stop", "Start All" and
// "Stop All" are carried out.
//
// Life cycle. A runner lives no longer than its device and the port list it
// works on: the workspace tells this object before it deletes a device
// (DeleteDevice), and before it clears, replaces (loading) or destroys its
// contents, and the runners concerned are then stopped and destroyed. Forget
// and ForgetAll do the same on request. Runners are made only for devices that
// are in the workspace's lists, never for a proposal or a copy held elsewhere.
// When the workspace is destroyed first, every call here does nothing (no
// runner, Start fails).
//
// Threads: used by one controlling thread, the one that changes the workspace.
class clDeviceRunners : private clWorkspaceListener {
 public:
  explicit clDeviceRunners(clWorkspace& workspace);
  // Stops and destroys every runner.
  ~clDeviceRunners();
  clDeviceRunners(const clDeviceRunners&) = delete;
  clDeviceRunners& operator=(const clDeviceRunners&) = delete;

  // The device's runner, made now if needed; null for a device that is not in
  // the workspace or whose role has no behaviour in this build.
  clDeviceRunner* RunnerFor(clDevice& device);
  // The device's runner if it has one; never makes one.
  clDeviceRunner* ExistingRunner(const clDevice& device) const;

  // "Start". On failure `failure` (when given) says why: for a port, its name,
  // what it opens, the system's reason and the device of this workspace that
  // holds it.
  bool Start(clDevice& device, clStartFailure* failure);
  // The same with only the text to show: "Fail to open port '%s'" (or "already
  // running", "this role cannot run yet", "not in the workspace").
  bool Start(clDevice& device, std::string* failure);
  // "Stop"; nothing for a device that does not run.
  void Stop(clDevice& device);
  // Starts every stopped device whose port(s) open: monitors first, so that a
  // monitor on the taps of a virtual line sees the first frame of the others,
  // then slaves, then masters. Returns one "<device>: <text>" per failure.
  std::vector<std::string> StartAll();
  // The same, one clStartFailure (device name filled in) per failure.
  void StartAll(std::vector<clStartFailure>* failures);
  void StopAll();
  bool AnyRunning() const;

  // Stops and destroys the device's runner, if any: call before the device is
  // deleted (the workspace's DeleteDevice does it too).
  void Forget(const clDevice& device);
  // Stops and destroys every runner: call before the workspace is cleared or
  // replaced (its Clear, InitNew, Swap and loading do it too).
  void ForgetAll();
  size_t RunnerCount() const { return runners_.size(); }

  // The device with this name, of any role (names compared without case).
  clDevice* FindDevice(const std::string& name) const;

 private:
  void DeviceRemoving(clDevice& device) override { Forget(device); }
  void AllRemoving() override { ForgetAll(); }
  void WorkspaceGone() override;
  bool InWorkspace(const clDevice& device) const;
  // The running device other than `except` that uses the port named `name` or
  // opening the same path; "" when none does.
  std::string HolderOf(const std::string& name, const std::string& path,
                       const clDevice& except) const;

  clWorkspace* workspace_;  // null once the workspace is gone
  std::map<const clDevice*, std::unique_ptr<clDeviceRunner>> runners_;
};
