#include "app/traffic_drains.h"

clTrafficDrains::clTrafficDrains(clWorkspace& workspace) : workspace_(&workspace) {
  workspace.AddListener(this);
}

clTrafficDrains::~clTrafficDrains() {
  ForgetAll();
  if (workspace_) workspace_->RemoveListener(this);
}

void clTrafficDrains::WorkspaceGone() {
  ForgetAll();
  workspace_ = nullptr;
}

clTrafficDrain* clTrafficDrains::ExistingDrain(const clDevice& device) const {
  auto found = drains_.find(&device);
  return found == drains_.end() ? nullptr : found->second.get();
}

clTrafficDrain* clTrafficDrains::DrainFor(clDevice& device) {
  if (clTrafficDrain* existing = ExistingDrain(device)) return existing;
  if (workspace_ == nullptr || !workspace_->Holds(device)) return nullptr;
  auto drain = std::make_unique<clTrafficDrain>(device.Traffic());
  return drains_.emplace(&device, std::move(drain)).first->second.get();
}

void clTrafficDrains::Forget(const clDevice& device) {
  auto found = drains_.find(&device);
  if (found == drains_.end()) return;
  if (dropHandler_) dropHandler_(device);
  // The handler may have forgotten it already.
  found = drains_.find(&device);
  if (found == drains_.end()) return;
  std::unique_ptr<clTrafficDrain> drain = std::move(found->second);
  drains_.erase(found);
  drain->Stop();
}

void clTrafficDrains::ForgetAll() {
  while (!drains_.empty()) Forget(*drains_.begin()->first);
}
