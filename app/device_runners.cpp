#include "app/device_runners.h"

#include "master/master_engine.h"
#include "model/workspace.h"
#include "monitor/capture_engine.h"
#include "slave/slave_engine.h"

clDeviceRunners::~clDeviceRunners() { StopAll(); }

clDeviceRunner* clDeviceRunners::RunnerFor(clDevice& device) {
  auto found = runners_.find(&device);
  if (found != runners_.end()) return found->second.get();
  std::unique_ptr<clDeviceRunner> runner;
  if (auto* monitor = dynamic_cast<clIEC101CaptureDevice*>(&device)) {
    runner = std::make_unique<clIEC101CaptureEngine>(*monitor, workspace_);
  } else if (auto* slave = dynamic_cast<clIEC101SlaveDevice*>(&device)) {
    runner = std::make_unique<clIEC101SlaveEngine>(*slave, workspace_.Ports());
  } else if (auto* master = dynamic_cast<clIEC101MasterDevice*>(&device)) {
    auto engine = std::make_unique<clIEC101MasterEngine>(*master, workspace_.Ports());
    clWorkspace* workspace = &workspace_;
    engine->SetTagIdSource([workspace] { return workspace->TakeTagId(); });
    runner = std::move(engine);
  }
  if (!runner) return nullptr;
  return runners_.emplace(&device, std::move(runner)).first->second.get();
}

bool clDeviceRunners::Start(clDevice& device, std::string* failure) {
  clDeviceRunner* runner = RunnerFor(device);
  if (runner == nullptr) {
    if (failure) *failure = "this role cannot run yet";
    return false;
  }
  if (runner->IsRunning()) {
    if (failure) *failure = "already running";
    return false;
  }
  std::string port;
  if (runner->Start(&port)) return true;
  if (failure) *failure = "Fail to open port '" + port + "'";
  return false;
}

void clDeviceRunners::Stop(clDevice& device) {
  auto found = runners_.find(&device);
  if (found != runners_.end()) found->second->Stop();
}

void clDeviceRunners::Discard(const clDevice& device) {
  auto found = runners_.find(&device);
  if (found == runners_.end()) return;
  found->second->Stop();
  runners_.erase(found);
}

std::vector<std::string> clDeviceRunners::StartAll() {
  std::vector<clDevice*> devices;
  for (clDevice* d : *workspace_.Monitors().Items()) devices.push_back(d);
  for (clDevice* d : *workspace_.Slaves().Items()) devices.push_back(d);
  for (clDevice* d : *workspace_.Masters().Items()) devices.push_back(d);
  std::vector<std::string> failures;
  for (clDevice* device : devices) {
    if (device->IsRunning()) continue;
    std::string failure;
    if (!Start(*device, &failure)) failures.push_back(device->Name() + ": " + failure);
  }
  return failures;
}

void clDeviceRunners::StopAll() {
  for (auto& [device, runner] : runners_) runner->Stop();
}

clDevice* clDeviceRunners::FindDevice(const std::string& name) const {
  if (clDevice* d = workspace_.Masters().FindByName(name)) return d;
  if (clDevice* d = workspace_.Slaves().FindByName(name)) return d;
  return workspace_.Monitors().FindByName(name);
}
