// Reading side of the workspace records (declared in workspace_records.h).
#include <memory>
#include <vector>

#include "model/workspace_records.h"

namespace {

// Master records before this version end without the test-function period.
constexpr uint32_t kMasterVersionWithTestPeriod = 2;

// The reader with a bound on the objects a file may create. Back-references to
// objects read earlier are accepted; an owning list cannot hold one object twice,
// so such an element becomes a copy. The bound keeps a small file of two-byte
// back-references to a large device from multiplying it without limit: every
// object this program writes takes at least kMinObjectBytes of file, and copies
// may add kSpareObjects more (some 25 MB of tags at most).
struct Context {
  explicit Context(clArchiveReader& reader)
      : in(reader), objectLimit(reader.Size() / kMinObjectBytes + kSpareObjects) {}
  void Count(size_t objects) {
    created += objects;
    if (created > objectLimit) clArchiveReader::Fail();
  }
  static constexpr size_t kMinObjectBytes = 20;
  static constexpr size_t kSpareObjects = 100000;
  clArchiveReader& in;
  size_t objectLimit;
  size_t created = 0;
};

size_t ObjectsIn(const clTag&) { return 1; }
size_t ObjectsIn(const clTags& tags) { return tags.Count(); }
size_t ObjectsIn(const clSector& s) { return 1 + ObjectsIn(s.Tags()); }
size_t ObjectsIn(const clDevice& d) {
  size_t n = 1 + (d.Tags() ? ObjectsIn(*d.Tags()) : 0);
  if (d.Sectors()) {
    for (const clSector* s : d.Sectors()->Items()) n += ObjectsIn(*s);
  }
  return n;
}
size_t ObjectsIn(const clSerialPort&) { return 1; }
size_t ObjectsIn(const clColumnWidth&) { return 1; }

std::unique_ptr<clTag> CopyOf(const clTag& t) { return std::make_unique<clTag>(t); }
std::unique_ptr<clSector> CopyOf(const clSector& s) { return s.Clone(); }
template <class Device>
std::unique_ptr<Device> CopyOf(const Device& d) {
  return std::unique_ptr<Device>(static_cast<Device*>(d.Clone().release()));
}
std::unique_ptr<clSerialPort> CopyOf(const clSerialPort& p) {
  auto copy = std::make_unique<clSerialPort>();
  copy->SetName(p.Name());
  copy->SetBaudRate(p.BaudRate());
  copy->SetStopBits(p.StopBits());
  copy->SetDataBits(p.DataBits());
  copy->SetParity(p.Parity());
  copy->SetFlowControl(p.FlowControl());
  copy->SetRtsPreKeyMs(p.RtsPreKeyMs());
  copy->SetRtsPostKeyMs(p.RtsPostKeyMs());
  copy->SetReadTimeoutMs(p.ReadTimeoutMs());
  copy->SetWriteTimeoutMs(p.WriteTimeoutMs());
  return copy;
}
std::unique_ptr<clColumnWidth> CopyOf(const clColumnWidth& w) {
  return std::make_unique<clColumnWidth>(w);
}

// A list: its version word, its count, then each element with its class tag.
// Missing (null) elements are skipped.
template <class T, class Read>
std::vector<std::unique_ptr<T>> ReadList(Context& cx, clArchiveReader::ClassId classId, Read read) {
  cx.in.U32();  // list version
  const size_t count = cx.in.Count();
  std::vector<std::unique_ptr<T>> items;
  for (size_t i = 0; i < count; ++i) {
    const auto tag = cx.in.ReadObjectTag(classId);
    if (tag.kind == clArchiveReader::ObjectTag::kNull) continue;
    if (tag.kind == clArchiveReader::ObjectTag::kBackReference) {
      const T& original = *static_cast<const T*>(tag.object);
      cx.Count(ObjectsIn(original));
      items.push_back(CopyOf(original));
      continue;
    }
    cx.Count(1);
    auto item = std::make_unique<T>();
    cx.in.SetObject(tag.index, item.get());
    read(cx, *item);
    items.push_back(std::move(item));
  }
  return items;
}

void ReadTag(Context& cx, clTag& tag) {
  clArchiveReader& in = cx.in;
  in.U32();
  tag.SetId(in.I32());
  tag.SetSectorId(in.I32());
  tag.SetName(in.String());
  tag.SetType(in.I32());
  tag.SetIoa(in.I32());
  tag.SetReservedA(in.I32());
  tag.SetFlags(in.I32());
  tag.SetRawMax(in.Double());
  tag.SetRawMin(in.Double());
  tag.SetEngMax(in.Double());
  tag.SetEngMin(in.Double());
  tag.SetScaleFactor(in.Double());
  tag.SetScalingEnabled(in.Bool());
  tag.SetStructuredIoa(in.Bool());
  tag.SetLinkEnabled(in.Bool());
  tag.SetLinkTarget(in.I32());
  tag.SetRawValue(in.Double());
  tag.SetQuality(in.I32());
  clTimeStamp t;
  for (int32_t* field : {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second, &t.millisecond})
    *field = in.I32();
  tag.SetTimeStamp(t);
  tag.SetReservedB(in.I32());
  tag.SetCause(in.I32());
  tag.SetCommandState(in.I32());
}

void ReadTags(Context& cx, clTags& tags) {
  tags.AppendAll(ReadList<clTag>(cx, clArchiveReader::kTag, ReadTag));
}

void ReadSector(Context& cx, clSector& sector) {
  clArchiveReader& in = cx.in;
  in.U32();
  sector.SetCommonAddress(in.I32());
  sector.SetActive(in.Bool());
  sector.SetName(in.String());
  sector.SetId(in.I32());
  sector.SetDeviceId(in.I32());
  ReadTags(cx, sector.Tags());
}

void ReadSectors(Context& cx, clSectors& sectors) {
  sectors.AppendAll(ReadList<clSector>(cx, clArchiveReader::kSector, ReadSector));
}

void ReadIdentityAndSizes(clArchiveReader& in, clDevice& d, bool withLinkAddress) {
  d.SetId(in.I32());
  d.SetName(in.String());
  if (withLinkAddress) d.SetLinkAddress(in.I32());
  d.SetLinkAddressSize(in.I32());
  d.SetSectorSize(in.I32());
  d.SetIoaSize(in.I32());
  d.SetCotSize(in.I32());
}

void ReadMaster(Context& cx, clIEC101MasterDevice& d) {
  clArchiveReader& in = cx.in;
  const uint32_t version = in.U32();
  ReadIdentityAndSizes(in, d, true);
  d.SetBalancedMode(in.Bool());
  d.SetRetries(in.I32());
  d.SetNextCommonAddress(in.I32());
  d.SetGiPeriodSec(in.I32());
  d.SetTimeSyncPeriodSec(in.I32());
  d.SetPortName(in.String());
  d.SetAutoCreateTags(in.Bool());
  d.SetKind(in.I32());
  d.SetPollIntervalMs(in.I32());
  d.SetReadTimeoutMs(in.I32());
  d.SetModemEnabled(in.Bool());
  d.SetPhoneNumber(in.String());
  d.SetDialTimeoutSec(in.I32());
  ReadSectors(cx, *d.Sectors());
  if (version >= kMasterVersionWithTestPeriod) d.SetTestPeriodSec(in.I32());
}

void ReadSlave(Context& cx, clIEC101SlaveDevice& d) {
  clArchiveReader& in = cx.in;
  in.U32();
  ReadIdentityAndSizes(in, d, true);
  d.SetRetries(in.I32());
  d.SetNextCommonAddress(in.I32());
  d.SetGiPeriodSec(in.I32());
  d.SetTimeSyncPeriodSec(in.I32());
  d.SetPortName(in.String());
  d.SetKind(in.I32());
  d.SetBalancedMode(in.Bool());
  ReadSectors(cx, *d.Sectors());
}

void ReadMonitor(Context& cx, clIEC101CaptureDevice& d) {
  clArchiveReader& in = cx.in;
  in.U32();
  ReadIdentityAndSizes(in, d, false);
  d.SetPort1Name(in.String());
  d.SetPort2Name(in.String());
  d.SetKind(in.I32());
  ReadTags(cx, *d.Tags());
}

void ReadPort(Context& cx, clSerialPort& p) {
  clArchiveReader& in = cx.in;
  in.U32();
  p.SetName(in.String());
  p.SetBaudRate(in.I32());
  p.SetStopBits(in.I32());
  p.SetDataBits(in.I32());
  p.SetParity(in.I32());
  p.SetFlowControl(in.I32());
  p.SetRtsPreKeyMs(in.I32());
  p.SetRtsPostKeyMs(in.I32());
  p.SetReadTimeoutMs(in.I32());
  p.SetWriteTimeoutMs(in.I32());
}

void ReadColumnWidth(Context& cx, clColumnWidth& w) {
  clArchiveReader& in = cx.in;
  in.U32();
  w.SetKind(in.String());
  for (int32_t c = 0; c < clColumnWidth::kColumns; ++c) w.SetWidth(c, in.I32());
}

}  // namespace

void ReadWorkspaceRecord(clArchiveReader& in, clWorkspace& ws) {
  Context cx(in);
  in.U32();  // file version
  for (int32_t c = 0; c < clWorkspace::kCounterCount; ++c)
    ws.SetCounterValue(static_cast<clWorkspace::Counter>(c), in.I32());
  // Loaded ports keep id 0: the port list's ids are not stored.
  for (auto& port : ReadList<clSerialPort>(cx, clArchiveReader::kPort, ReadPort)) {
    ws.Ports().Add(std::move(port));
    ws.Ports().At(ws.Ports().Count() - 1)->SetId(0);
  }
  ws.Masters().AppendAll(ReadList<clIEC101MasterDevice>(cx, clArchiveReader::kMaster, ReadMaster));
  ws.Slaves().AppendAll(ReadList<clIEC101SlaveDevice>(cx, clArchiveReader::kSlave, ReadSlave));
  ws.Monitors().AppendAll(
      ReadList<clIEC101CaptureDevice>(cx, clArchiveReader::kMonitor, ReadMonitor));
  for (auto& width : ReadList<clColumnWidth>(cx, clArchiveReader::kColumnWidth, ReadColumnWidth))
    ws.ColumnWidths().Append(std::move(width));
}

std::vector<std::unique_ptr<clTag>> ReadTagListRecord(clArchiveReader& in) {
  Context cx(in);
  return ReadList<clTag>(cx, clArchiveReader::kTag, ReadTag);
}

std::vector<std::unique_ptr<clSector>> ReadSectorListRecord(clArchiveReader& in) {
  Context cx(in);
  return ReadList<clSector>(cx, clArchiveReader::kSector, ReadSector);
}

namespace {
template <class T>
std::vector<std::unique_ptr<clDevice>> AsDevices(std::vector<std::unique_ptr<T>> typed) {
  std::vector<std::unique_ptr<clDevice>> devices;
  devices.reserve(typed.size());
  for (auto& device : typed) devices.push_back(std::move(device));
  return devices;
}
}  // namespace

std::vector<std::unique_ptr<clDevice>> ReadDeviceListRecord(clArchiveReader& in, int32_t kind) {
  Context cx(in);
  switch (kind) {
    case clDevice::kMaster:
      return AsDevices(ReadList<clIEC101MasterDevice>(cx, clArchiveReader::kMaster, ReadMaster));
    case clDevice::kSlave:
      return AsDevices(ReadList<clIEC101SlaveDevice>(cx, clArchiveReader::kSlave, ReadSlave));
    default:
      return AsDevices(
          ReadList<clIEC101CaptureDevice>(cx, clArchiveReader::kMonitor, ReadMonitor));
  }
}
