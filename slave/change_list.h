#pragma once
#include <cstdint>
#include <deque>
#include <memory>

#include "protocol/cp56time.h"
#include "runtime/lock.h"

// One recorded change of a slave tag, waiting to be sent as spontaneous data.
struct TagChange {
  int32_t kind = 0;  // tag type code 1..7
  uint32_t ioa = 0;
  uint32_t commonAddress = 0;  // the sector the change is reported for
  double value = 0;
  uint8_t quality = 0;  // the tag's quality descriptor octet at the change
  clDateTime time;      // the tag's time stamp at the change
};

// The slave's tag changes in the order they were recorded. Changes are added by
// the user-interface thread (value edits) and by the worker (linked commands)
// and taken by the worker; each operation is atomic under the list's lock, and
// no lock is held across a whole build. Link resets, stop and start leave the
// list alone: a change waits until a class 2 poll turns it into an ASDU.
class ChangeList {
 public:
  void AddChange(std::unique_ptr<TagChange> change);
  // Removes and returns the first change with this kind and common address.
  std::unique_ptr<TagChange> TakeChange(int32_t kind, uint32_t commonAddress);
  size_t Count();

 private:
  clLock lock_;
  std::deque<std::unique_ptr<TagChange>> changes_;  // guarded by lock_
};
