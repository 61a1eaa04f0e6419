#include "app/demo_workspace.h"

#include <memory>
#include <string>

#include "model/workspace.h"

namespace {

constexpr int32_t kDemoBaudRate = 19200;
constexpr int32_t kDemoCommonAddress = 1;
constexpr int32_t kDemoPollIntervalMs = 100;

struct DemoTag {
  int32_t type;
  int32_t ioa;
  double slaveValue;
};

// One tag of every monitored type, plus a double command for the link.
constexpr DemoTag kDemoTags[] = {
    {clTag::kSinglePoint, 1, 1},           {clTag::kDoublePoint, 2, 2},
    {clTag::kMeasuredNormalized, 3, 0.25}, {clTag::kMeasuredScaled, 4, 1234},
    {clTag::kMeasuredFloat, 5, 49.95},     {clTag::kIntegratedTotals, 6, 100000},
    {clTag::kStepPosition, 7, 5},          {clTag::kDoubleCommand, 20, 0},
};

void AddPort(clWorkspace& workspace, const std::string& name) {
  auto port = std::make_unique<clSerialPort>();
  port->SetName(name);
  port->SetBaudRate(kDemoBaudRate);
  workspace.Ports().Add(std::move(port));
}

// A sector with the demonstration tags on a master or slave that is not running.
void AddDemoSector(clWorkspace& workspace, clDevice& device, bool slave) {
  clWorkspace::Created<clSector> sector = workspace.NewSector(device);
  if (!sector.object) return;
  sector.object->SetCommonAddress(kDemoCommonAddress);
  sector.object->SetName("Substation");
  clSector* kept = sector.object.get();
  if (!workspace.CommitSector(device, std::move(sector.object)).empty()) return;
  clTag* doublePoint = nullptr;
  for (const DemoTag& demo : kDemoTags) {
    clWorkspace::Created<clTag> tag = workspace.NewTag(device);
    if (!tag.object) return;
    tag.object->SetType(demo.type);
    tag.object->SetIoa(demo.ioa);
    clTag* raw = tag.object.get();
    if (!workspace.CommitTag(device, *kept, std::move(tag.object)).empty()) return;
    if (slave) {
      raw->SetRawValue(demo.slaveValue);
      raw->SetQuality(0);
    }
    if (demo.type == clTag::kDoublePoint) doublePoint = raw;
    if (slave && demo.type == clTag::kDoubleCommand && doublePoint != nullptr) {
      raw->SetLinkEnabled(true);
      raw->SetLinkTarget(doublePoint->Id());
    }
  }
}

}  // namespace

void BuildDemoWorkspace(clWorkspace& workspace) {
  workspace.InitNew();
  for (const char* name : {"VLINE1-A", "VLINE1-B", "VLINE1-A-TAP", "VLINE1-B-TAP"}) {
    AddPort(workspace, name);
  }
  auto master = workspace.NewMaster();
  master->SetPortName("VLINE1-A");
  // A brisk poll, so that an interrogation completes in about a second.
  master->SetPollIntervalMs(kDemoPollIntervalMs);
  clDevice* masterDevice = workspace.CommitDevice(std::move(master));
  auto slave = workspace.NewSlave();
  slave->SetPortName("VLINE1-B");
  clDevice* slaveDevice = workspace.CommitDevice(std::move(slave));
  auto monitor = workspace.NewMonitor();
  monitor->SetPort1Name("VLINE1-A-TAP");
  monitor->SetPort2Name("VLINE1-B-TAP");
  workspace.CommitDevice(std::move(monitor));
  if (masterDevice) AddDemoSector(workspace, *masterDevice, false);
  if (slaveDevice) AddDemoSector(workspace, *slaveDevice, true);
  workspace.ResolveReferences();
}
