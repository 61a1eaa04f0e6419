#pragma once
#include "model/owned_list.h"

class clWorkspace;

// The workspace's devices of one role, sorted by name (equal names after
// existing ones) and owned by the list. Devices leave a list only through its
// workspace (DeleteDevice, Clear, loading, destruction), which first tells its
// listeners, so that no engine still works on a device that is deleted.
template <class T>
class clDeviceList : private clOwnedList<T> {
  using Base = clOwnedList<T>;

 public:
  using Base::AddSorted;
  using Base::Append;
  using Base::AppendAll;
  using Base::Count;
  using Base::Empty;
  using Base::FindByName;
  using Base::Items;
  using typename Base::Snapshot;

  // True when `device` is one of this list's own.
  bool Holds(const T* device) const {
    for (T* item : Items())
      if (item == device) return true;
    return false;
  }

 private:
  friend class clWorkspace;
  using Base::Remove;
  using Base::RemoveAll;
};
