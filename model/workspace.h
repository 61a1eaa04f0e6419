#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/column_widths.h"
#include "model/device_lists.h"
#include "runtime/serial_ports.h"

// Told by a workspace, on the thread that changes it, before any of its
// devices or ports go, so that whatever works on them is stopped and released
// first (the engines that run the devices).
class clWorkspaceListener {
 public:
  // `device` is about to be deleted.
  virtual void DeviceRemoving(clDevice& device) = 0;
  // Every device and port is about to go: clear, new, load or destruction.
  virtual void AllRemoving() = 0;
  // The workspace is being destroyed; it must not be used any more.
  virtual void WorkspaceGone() = 0;

 protected:
  // Virtual, so that an owner may delete a listener through its own type
  // whatever it derives from.
  virtual ~clWorkspaceListener() = default;
};

// The data of one open workspace, without any user interface: the port list, the
// three device lists, the eight workspace counters, the column widths and the
// remembered choices of the last tag created on each side.
//
// Threads: structure (lists, ports, widths) is changed by the user-interface
// thread only, and for a device only while it is stopped; the operations below
// refuse with the message to show otherwise. The counters are atomic because a
// running monitor takes tag ids from its worker thread (CreateMonitorTag).
// Clearing, loading, destroying the workspace and deleting a device tell the
// listeners first, which stop and release what runs on the devices.
class clWorkspace {
 public:
  enum Counter : int32_t {
    kMasterNameCounter,
    kSlaveNameCounter,
    kMonitorNameCounter,
    kMasterTagNameCounter,
    kSlaveTagNameCounter,
    kTagIdCounter,
    kSectorIdCounter,
    kDeviceIdCounter,
    kCounterCount
  };
  // Type and structured-IOA choice of the last tag created on one side.
  struct TagChoice {
    int32_t type = -1;  // none yet
    bool structuredIoa = false;
  };
  template <class T>
  struct Created {
    std::unique_ptr<T> object;  // none when refused
    std::string error;          // the refusal, empty on success
  };

  // An empty workspace: no ports, no devices, no widths, counters 1.
  clWorkspace();
  ~clWorkspace();
  clWorkspace(const clWorkspace&) = delete;
  clWorkspace& operator=(const clWorkspace&) = delete;

  // Listeners are told before devices or ports go (see clWorkspaceListener).
  // A listener removes itself before it is destroyed.
  void AddListener(clWorkspaceListener* listener);
  void RemoveListener(clWorkspaceListener* listener);

  // Deletes every device, port and width entry, sets the counters to 1 and
  // forgets the tag choices. The listeners are told first.
  void Clear();
  // Clear, then the ports COM1..COM10 and the default column widths.
  void InitNew();
  // Exchanges the whole contents with `other` (used to replace a workspace by one
  // read completely from a file). The listeners of both are told first.
  void Swap(clWorkspace& other);

  clSerialPorts& Ports() { return *ports_; }
  const clSerialPorts& Ports() const { return *ports_; }
  clIEC101MasterDevList& Masters() { return *masters_; }
  const clIEC101MasterDevList& Masters() const { return *masters_; }
  clIEC101SlaveDevList& Slaves() { return *slaves_; }
  const clIEC101SlaveDevList& Slaves() const { return *slaves_; }
  clIEC101CaptureDevList& Monitors() { return *monitors_; }
  const clIEC101CaptureDevList& Monitors() const { return *monitors_; }
  clColumnWidths& ColumnWidths() { return *widths_; }
  const clColumnWidths& ColumnWidths() const { return *widths_; }

  int32_t CounterValue(Counter c) const { return counters_[c].load(std::memory_order_relaxed); }
  void SetCounterValue(Counter c, int32_t v) { counters_[c].store(v, std::memory_order_relaxed); }
  const TagChoice& MasterTagChoice() const { return masterChoice_; }
  const TagChoice& SlaveTagChoice() const { return slaveChoice_; }

  // Creating a device: New* names it from the role's counter (advanced at once)
  // and refers it to the port named COM1 (a monitor: COM1 and COM2) when the
  // list has one; the stored port name stays "COM1" ("COM2") as spelled, whatever
  // the list's spelling. After
  // the dialog, CommitDevice gives it the next device id and adds it to its list
  // (returns it); CancelDevice steps the name counter back and deletes it.
  std::unique_ptr<clIEC101MasterDevice> NewMaster();
  std::unique_ptr<clIEC101SlaveDevice> NewSlave();
  std::unique_ptr<clIEC101CaptureDevice> NewMonitor();
  clDevice* CommitDevice(std::unique_ptr<clDevice> device);
  void CancelDevice(std::unique_ptr<clDevice> device);

  // Creating a sector on a master or slave: refused while the device runs. The
  // proposal has common address NextFreeCommonAddress and name "Sector%d". On OK
  // CommitSector gives it the next sector id and the device id, adds it sorted and
  // sets the device's next common address; cancelling is just dropping it.
  Created<clSector> NewSector(const clDevice& device) const;
  std::string CommitSector(clDevice& device, std::unique_ptr<clSector> sector);

  // Creating a tag in a sector of a master or slave: refused while the device
  // runs. The proposal is named "Tag%d" from the side's counter (advanced at once)
  // and takes the side's remembered type and structured-IOA choice. CommitTag
  // gives it the next tag id and the sector id, adds it sorted and remembers its
  // choices (a slave double point starts with value 1); CancelTag steps the
  // side's counter back.
  Created<clTag> NewTag(const clDevice& device);
  std::string CommitTag(clDevice& device, clSector& sector, std::unique_ptr<clTag> tag);
  void CancelTag(const clDevice& device, std::unique_ptr<clTag> tag);

  // Worker-thread safe: appends a tag for an object the monitor saw for the first
  // time, with the next tag id, the monitor's id as owner, the common address,
  // type and IOA, and the monitor's name for it ("SP%d", ... with the IOA).
  clTag* CreateMonitorTag(clIEC101CaptureDevice& monitor, int32_t commonAddress, int32_t type,
                          int32_t ioa);

  // Worker-thread safe: the next tag id (a master creating tags for objects it
  // was not configured with).
  int32_t TakeTagId() { return Take(kTagIdCounter); }
  // The next sector id (sectors pasted with their device).
  int32_t TakeSectorId() { return Take(kSectorIdCounter); }

  // Deleting; refused while the device concerned runs. A device's listeners
  // are told before it goes.
  std::string DeleteDevice(clDevice* device);
  // Whether the device is one of this workspace's lists (not a proposal or a
  // copy held elsewhere).
  bool Holds(const clDevice& device) const;
  std::string DeleteSector(clDevice& device, clSector* sector);
  std::string DeleteTag(clDevice& device, clTags& tags, clTag* tag);

  // Points a device, of any role, at the ports its stored port names name (none
  // when absent); the names stay as they are.
  void ReferToPorts(clDevice& device);

  // After loading: points every device at the ports named by its stored names
  // (none when absent), sets the sectors' owners and marks every master tag
  // uncertain.
  void ResolveReferences();

 private:
  // Points a new master or slave at the port its default port name names.
  void ReferToPort(clDevice& device) const;
  int32_t Take(Counter c) { return counters_[c].fetch_add(1, std::memory_order_relaxed); }
  void StepBack(Counter c) { counters_[c].fetch_sub(1, std::memory_order_relaxed); }
  void TellAllRemoving();

  std::unique_ptr<clSerialPorts> ports_;
  std::unique_ptr<clIEC101MasterDevList> masters_;
  std::unique_ptr<clIEC101SlaveDevList> slaves_;
  std::unique_ptr<clIEC101CaptureDevList> monitors_;
  std::unique_ptr<clColumnWidths> widths_;
  std::array<std::atomic<int32_t>, kCounterCount> counters_;
  TagChoice masterChoice_;
  TagChoice slaveChoice_;
  std::vector<clWorkspaceListener*> listeners_;
};

// The name a monitor gives the tag it creates for an object of a type (1..13) and
// IOA: "SP5", "DP7", "MEA12", ...; "" for another type.
std::string MonitorTagName(int32_t type, int32_t ioa);

// Refusal texts.
inline constexpr const char* kSectorRefused = "Could not create new sector, device is running";
inline constexpr const char* kTagRefused = "Could not create new tag, device is still running";
inline constexpr const char* kDeleteDeviceRefused =
    "Could not delete selected device, device is running";
inline constexpr const char* kDeleteSectorRefused =
    "Could not delete selected sector, device is running";
inline constexpr const char* kDeleteTagRefused = "Could not delete tag, device is still running";
