#pragma once
// The workspace the benchmarks open, save and show: N tags spread over a master,
// a slave and a monitor.
#include <cstdint>
#include <memory>

#include "model/workspace.h"

inline constexpr int32_t kTagsPerSector = 100;

inline void AddSectors(clWorkspace& ws, clDevice& device, int64_t tags) {
  for (int64_t done = 0; done < tags;) {
    auto sector = ws.NewSector(device).object;
    clSector* raw = sector.get();
    ws.CommitSector(device, std::move(sector));
    for (int32_t i = 0; i < kTagsPerSector && done < tags; ++i, ++done) {
      auto tag = ws.NewTag(device).object;
      tag->SetIoa(i + 1);
      tag->SetType(1 + i % 13);
      tag->SetRawValue(i * 0.5);
      raw->Tags().Append(std::move(tag));  // appended in order: names already ascend
    }
  }
}

// Half the tags in a master's sectors, a quarter each in a slave's and a monitor's.
inline void BuildWorkspace(clWorkspace& ws, int64_t tags) {
  ws.InitNew();
  clDevice* master = ws.CommitDevice(ws.NewMaster());
  clDevice* slave = ws.CommitDevice(ws.NewSlave());
  auto* monitor = static_cast<clIEC101CaptureDevice*>(ws.CommitDevice(ws.NewMonitor()));
  AddSectors(ws, *master, tags / 2);
  AddSectors(ws, *slave, tags / 4);
  for (int64_t i = 0; i < tags - tags / 2 - tags / 4; ++i)
    ws.CreateMonitorTag(*monitor, 1, 1 + static_cast<int32_t>(i % 13), static_cast<int32_t>(i));
}
