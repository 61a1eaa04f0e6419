#include "app/device_runners.h"

#include "master/master_engine.h"
#include "monitor/capture_engine.h"
#include "runtime/text_compare.h"
#include "slave/slave_engine.h"

namespace {

// The names of the ports a device uses.
std::vector<std::string> PortNamesOf(const clDevice& device) {
  if (auto* monitor = dynamic_cast<const clIEC101CaptureDevice*>(&device))
    return {monitor->Port1Name(), monitor->Port2Name()};
  return {device.PortName()};
}

}  // namespace

clDeviceRunners::clDeviceRunners(clWorkspace& workspace) : workspace_(&workspace) {
  workspace.AddListener(this);
}

clDeviceRunners::~clDeviceRunners() {
  ForgetAll();
  if (workspace_) workspace_->RemoveListener(this);
}

void clDeviceRunners::WorkspaceGone() {
  ForgetAll();
  workspace_ = nullptr;
}

bool clDeviceRunners::InWorkspace(const clDevice& device) const {
  return workspace_ != nullptr && workspace_->Holds(device);
}

clDeviceRunner* clDeviceRunners::ExistingRunner(const clDevice& device) const {
  auto found = runners_.find(&device);
  return found == runners_.end() ? nullptr : found->second.get();
}

clDeviceRunner* clDeviceRunners::RunnerFor(clDevice& device) {
  if (clDeviceRunner* existing = ExistingRunner(device)) return existing;
  if (!InWorkspace(device)) return nullptr;
  std::unique_ptr<clDeviceRunner> runner;
  if (auto* monitor = dynamic_cast<clIEC101CaptureDevice*>(&device)) {
    runner = std::make_unique<clIEC101CaptureEngine>(*monitor, *workspace_);
  } else if (auto* slave = dynamic_cast<clIEC101SlaveDevice*>(&device)) {
    runner = std::make_unique<clIEC101SlaveEngine>(*slave, workspace_->Ports());
  } else if (auto* master = dynamic_cast<clIEC101MasterDevice*>(&device)) {
    auto engine = std::make_unique<clIEC101MasterEngine>(*master, workspace_->Ports());
    clWorkspace* workspace = workspace_;
    engine->SetTagIdSource([workspace] { return workspace->TakeTagId(); });
    runner = std::move(engine);
  }
  if (!runner) return nullptr;
  return runners_.emplace(&device, std::move(runner)).first->second.get();
}

std::string clDeviceRunners::HolderOf(const std::string& name, const std::string& path,
                                      const clDevice& except) const {
  if (workspace_ == nullptr) return "";
  const clSerialPort* wanted = workspace_->Ports().Find(name);
  std::string holder;
  const auto check = [&](const clDevice* device) {
    if (!holder.empty() || device == &except || !device->IsRunning()) return;
    for (const std::string& used : PortNamesOf(*device)) {
      const clSerialPort* port = workspace_->Ports().Find(used);
      const bool same =
          port != nullptr && (port == wanted || (!path.empty() && port->DevicePath() == path));
      if (same || (port == nullptr && EqualsNoCase(used, name))) holder = device->Name();
    }
  };
  for (const clDevice* d : *workspace_->Monitors().Items()) check(d);
  for (const clDevice* d : *workspace_->Slaves().Items()) check(d);
  for (const clDevice* d : *workspace_->Masters().Items()) check(d);
  return holder;
}

bool clDeviceRunners::Start(clDevice& device, clStartFailure* failure) {
  clStartFailure why;
  why.device = device.Name();
  clDeviceRunner* runner = RunnerFor(device);
  bool started = false;
  if (runner == nullptr) {
    why.kind = InWorkspace(device) ? clStartFailure::kNoRunner : clStartFailure::kNotInWorkspace;
  } else {
    started = runner->Start(&why);
    if (!started && why.kind == clStartFailure::kPortFailed && why.heldBy.empty())
      why.heldBy = HolderOf(why.port, why.path, device);
  }
  if (!started && failure) *failure = why;
  return started;
}

bool clDeviceRunners::Start(clDevice& device, std::string* failure) {
  clStartFailure why;
  if (Start(device, &why)) return true;
  if (failure) *failure = why.Message();
  return false;
}

void clDeviceRunners::Stop(clDevice& device) {
  if (clDeviceRunner* runner = ExistingRunner(device)) runner->Stop();
}

void clDeviceRunners::StartAll(std::vector<clStartFailure>* failures) {
  if (workspace_ == nullptr) return;
  std::vector<clDevice*> devices;
  for (clDevice* d : *workspace_->Monitors().Items()) devices.push_back(d);
  for (clDevice* d : *workspace_->Slaves().Items()) devices.push_back(d);
  for (clDevice* d : *workspace_->Masters().Items()) devices.push_back(d);
  for (clDevice* device : devices) {
    if (device->IsRunning()) continue;
    clStartFailure failure;
    if (!Start(*device, &failure) && failures) failures->push_back(failure);
  }
}

std::vector<std::string> clDeviceRunners::StartAll() {
  std::vector<clStartFailure> failures;
  StartAll(&failures);
  std::vector<std::string> texts;
  for (const clStartFailure& failure : failures)
    texts.push_back(failure.device + ": " + failure.Message());
  return texts;
}

void clDeviceRunners::StopAll() {
  for (auto& [device, runner] : runners_) runner->Stop();
}

bool clDeviceRunners::AnyRunning() const {
  for (const auto& [device, runner] : runners_)
    if (runner->IsRunning()) return true;
  return false;
}

void clDeviceRunners::Forget(const clDevice& device) {
  auto found = runners_.find(&device);
  if (found == runners_.end()) return;
  found->second->Stop();
  runners_.erase(found);  // the engine's destructor joins its worker
}

void clDeviceRunners::ForgetAll() {
  StopAll();
  runners_.clear();
}

clDevice* clDeviceRunners::FindDevice(const std::string& name) const {
  if (workspace_ == nullptr) return nullptr;
  if (clDevice* d = workspace_->Masters().FindByName(name)) return d;
  if (clDevice* d = workspace_->Slaves().FindByName(name)) return d;
  return workspace_->Monitors().FindByName(name);
}
