#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/tags.h"

class clDevice;

// One common address of ASDU of a master or slave device, with its tags.
// Configuration fields belong to the user-interface thread and change only while
// the device is stopped; the tags' live fields are safe from any thread.
class clSector {
 public:
  clSector() = default;
  clSector(const clSector&) = delete;
  clSector& operator=(const clSector&) = delete;

  // A deep copy: every stored field and a copy of every tag; no owner.
  std::unique_ptr<clSector> Clone() const;

  int32_t Id() const { return id_; }
  void SetId(int32_t v) { id_ = v; }
  int32_t DeviceId() const { return deviceId_; }
  void SetDeviceId(int32_t v) { deviceId_ = v; }
  const std::string& Name() const { return name_; }
  void SetName(std::string v) { name_ = std::move(v); }
  int32_t CommonAddress() const { return commonAddress_; }
  void SetCommonAddress(int32_t v) { commonAddress_ = v; }
  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  clTags& Tags() { return tags_; }
  const clTags& Tags() const { return tags_; }
  // The device the sector belongs to at run time (not stored).
  clDevice* Owner() const { return owner_; }
  void SetOwner(clDevice* v) { owner_ = v; }

  // Keys "name", "sector" (common address), "active" ("enable"/"disable").
  std::string GetProperty(std::string_view key) const;
  void SetProperty(std::string_view key, std::string_view text);

 private:
  int32_t id_ = 0;
  int32_t deviceId_ = 0;
  std::string name_ = "Group";
  int32_t commonAddress_ = 1;
  bool active_ = true;
  clTags tags_;
  clDevice* owner_ = nullptr;
};
