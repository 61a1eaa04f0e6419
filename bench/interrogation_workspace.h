#pragma once
// The workspace of the interrogation benchmarks: a master and a slave on the two
// ends of a virtual cable at 115200 baud, polling every 1 ms, each with one
// sector of 10,000 tags of the seven monitored types.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/workspace.h"

inline constexpr int32_t kInterrogationTags = 10000;
inline constexpr int32_t kInterrogationBaud = 115200;

inline void AddInterrogationTags(clWorkspace& workspace, clDevice& device) {
  static constexpr int32_t kTypes[] = {clTag::kSinglePoint,        clTag::kDoublePoint,
                                       clTag::kMeasuredNormalized, clTag::kMeasuredScaled,
                                       clTag::kMeasuredFloat,      clTag::kIntegratedTotals,
                                       clTag::kStepPosition};
  clWorkspace::Created<clSector> sector = workspace.NewSector(device);
  sector.object->SetCommonAddress(1);
  clSector* kept = sector.object.get();
  workspace.CommitSector(device, std::move(sector.object));
  std::vector<std::unique_ptr<clTag>> tags;
  for (int32_t i = 0; i < kInterrogationTags; ++i) {
    auto tag = std::make_unique<clTag>();
    tag->SetId(workspace.TakeTagId());
    tag->SetName("T" + std::to_string(i + 1));
    tag->SetType(kTypes[i * 7 / kInterrogationTags]);  // seven runs of consecutive addresses
    tag->SetIoa(i + 1);
    tag->SetRawValue(i % 2);
    tag->SetQuality(0);
    tags.push_back(std::move(tag));
  }
  kept->Tags().AppendAll(std::move(tags));
}

// Fills `workspace` on cable `cable` (its ends "VLINE<n>-A" and "-B"); returns
// the master and the slave.
inline std::pair<clDevice*, clDevice*> BuildInterrogationWorkspace(clWorkspace& workspace,
                                                                   int cable) {
  const std::string end = "VLINE" + std::to_string(cable);
  for (const std::string& name : {end + "-A", end + "-B"}) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    port->SetBaudRate(kInterrogationBaud);
    workspace.Ports().Add(std::move(port));
  }
  auto master = workspace.NewMaster();
  master->SetPortName(end + "-A");
  master->SetPollIntervalMs(1);
  clDevice* masterDevice = workspace.CommitDevice(std::move(master));
  auto slave = workspace.NewSlave();
  slave->SetPortName(end + "-B");
  clDevice* slaveDevice = workspace.CommitDevice(std::move(slave));
  AddInterrogationTags(workspace, *masterDevice);
  AddInterrogationTags(workspace, *slaveDevice);
  workspace.ResolveReferences();
  return {masterDevice, slaveDevice};
}
