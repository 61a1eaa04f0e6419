#pragma once
#include <functional>
#include <map>
#include <memory>

#include "model/workspace.h"
#include "runtime/traffic_drain.h"

class clDevice;

// The traffic drains of one workspace's devices: at most one per device, made
// on first use and kept until the device goes. The workspace tells this object
// before it deletes a device, clears, replaces or destroys its contents; the
// drains concerned are then stopped and destroyed, after the drop handler has
// let whatever shows them (a traffic window) go. So no drain ever reads the
// queue of a freed device.
//
// Threads: used by one controlling thread, the one that changes the workspace.
class clTrafficDrains final : private clWorkspaceListener {
 public:
  explicit clTrafficDrains(clWorkspace& workspace);
  ~clTrafficDrains();
  clTrafficDrains(const clTrafficDrains&) = delete;
  clTrafficDrains& operator=(const clTrafficDrains&) = delete;

  // The device's drain, made now (stopped) if needed; null for a device that is
  // not in the workspace, or once the workspace is gone.
  clTrafficDrain* DrainFor(clDevice& device);
  clTrafficDrain* ExistingDrain(const clDevice& device) const;
  size_t DrainCount() const { return drains_.size(); }

  // Told, with the device still whole, just before its drain is stopped and
  // destroyed.
  void SetDropHandler(std::function<void(const clDevice&)> handler) {
    dropHandler_ = std::move(handler);
  }

  void Forget(const clDevice& device);
  void ForgetAll();

 private:
  void DeviceRemoving(clDevice& device) override { Forget(device); }
  void AllRemoving() override { ForgetAll(); }
  void WorkspaceGone() override;

  clWorkspace* workspace_;  // null once the workspace is gone
  std::map<const clDevice*, std::unique_ptr<clTrafficDrain>> drains_;
  std::function<void(const clDevice&)> dropHandler_;
};
