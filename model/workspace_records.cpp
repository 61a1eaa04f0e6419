#include "model/workspace_records.h"

#include <functional>

namespace {

constexpr uint32_t kFileVersion = 1;
constexpr uint32_t kListVersion = 1;
constexpr uint32_t kRecordVersion = 1;
constexpr uint32_t kMasterVersion = 2;

// ---- writing -------------------------------------------------------------

void WriteTag(clArchiveWriter& out, const clTag& tag) {
  out.U32(kRecordVersion);
  out.I32(tag.Id());
  out.I32(tag.SectorId());
  out.String(tag.Name());
  out.I32(tag.TagType());
  out.I32(tag.Ioa());
  out.I32(tag.ReservedA());
  out.I32(tag.Flags());
  for (double v : {tag.RawMax(), tag.RawMin(), tag.EngMax(), tag.EngMin(), tag.ScaleFactor()})
    out.Double(v);
  out.Bool(tag.ScalingEnabled());
  out.Bool(tag.StructuredIoa());
  out.Bool(tag.LinkEnabled());
  out.I32(tag.LinkTarget());
  out.Double(tag.Value());
  out.I32(tag.Quality());
  const clTimeStamp t = tag.TimeStamp();
  for (int32_t v : {t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}) out.I32(v);
  out.I32(tag.ReservedB());
  out.I32(tag.Cause());
  out.I32(tag.CommandState());
}

// A list record over any range of object pointers.
template <class Range, class Write>
void WriteObjects(clArchiveWriter& out, const Range& items, const char* className, Write write) {
  out.U32(kListVersion);
  out.Count(items.size());
  for (const auto* item : items) {
    out.BeginObject(className);
    write(out, *item);
  }
}

// Any list with Items(): tags, sectors, devices.
template <class List, class Write>
void WriteList(clArchiveWriter& out, const List& list, const char* className, Write write) {
  WriteObjects(out, *list.Items(), className, write);
}

void WriteTags(clArchiveWriter& out, const clTags& tags) {
  WriteList(out, tags, "clTag", WriteTag);
}

void WriteSector(clArchiveWriter& out, const clSector& sector) {
  out.U32(kRecordVersion);
  out.I32(sector.CommonAddress());
  out.Bool(sector.Active());
  out.String(sector.Name());
  out.I32(sector.Id());
  out.I32(sector.DeviceId());
  WriteTags(out, sector.Tags());
}

void WriteSectors(clArchiveWriter& out, const clSectors& sectors) {
  WriteList(out, sectors, "clSector", WriteSector);
}

void WriteIdentityAndSizes(clArchiveWriter& out, const clDevice& d, bool withLinkAddress) {
  out.I32(d.Id());
  out.String(d.Name());
  if (withLinkAddress) out.I32(d.LinkAddress());
  out.I32(d.LinkAddressSize());
  out.I32(d.SectorSize());
  out.I32(d.IoaSize());
  out.I32(d.CotSize());
}

void WriteMaster(clArchiveWriter& out, const clIEC101MasterDevice& d) {
  out.U32(kMasterVersion);
  WriteIdentityAndSizes(out, d, true);
  out.Bool(d.BalancedMode());
  out.I32(d.Retries());
  out.I32(d.NextCommonAddress());
  out.I32(d.GiPeriodSec());
  out.I32(d.TimeSyncPeriodSec());
  out.String(d.PortName());
  out.Bool(d.AutoCreateTags());
  out.I32(d.Kind());
  out.I32(d.PollIntervalMs());
  out.I32(d.ReadTimeoutMs());
  out.Bool(d.ModemEnabled());
  out.String(d.PhoneNumber());
  out.I32(d.DialTimeoutSec());
  WriteSectors(out, *d.Sectors());
  out.I32(d.TestPeriodSec());
}

void WriteSlave(clArchiveWriter& out, const clIEC101SlaveDevice& d) {
  out.U32(kRecordVersion);
  WriteIdentityAndSizes(out, d, true);
  out.I32(d.Retries());
  out.I32(d.NextCommonAddress());
  out.I32(d.GiPeriodSec());
  out.I32(d.TimeSyncPeriodSec());
  out.String(d.PortName());
  out.I32(d.Kind());
  out.Bool(d.BalancedMode());
  WriteSectors(out, *d.Sectors());
}

void WriteMonitor(clArchiveWriter& out, const clIEC101CaptureDevice& d) {
  out.U32(kRecordVersion);
  WriteIdentityAndSizes(out, d, false);
  out.String(d.Port1Name());
  out.String(d.Port2Name());
  out.I32(d.Kind());
  WriteTags(out, *d.Tags());
}

void WritePort(clArchiveWriter& out, const clSerialPort& p) {
  out.U32(kRecordVersion);
  out.String(p.Name());
  for (int32_t v : {p.BaudRate(), p.StopBits(), p.DataBits(), p.Parity(), p.FlowControl(),
                    p.RtsPreKeyMs(), p.RtsPostKeyMs(), p.ReadTimeoutMs(), p.WriteTimeoutMs()})
    out.I32(v);
}

void WriteColumnWidth(clArchiveWriter& out, const clColumnWidth& w) {
  out.U32(kRecordVersion);
  out.String(w.Kind());
  for (int32_t c = 0; c < clColumnWidth::kColumns; ++c) out.I32(w.Width(c));
}

// The devices of one role among `devices`, in their order.
template <class T>
std::vector<const T*> OfClass(const std::vector<const clDevice*>& devices) {
  std::vector<const T*> typed;
  for (const clDevice* device : devices)
    if (const auto* d = dynamic_cast<const T*>(device)) typed.push_back(d);
  return typed;
}

}  // namespace

void WriteWorkspaceRecord(clArchiveWriter& out, const clWorkspace& ws) {
  out.U32(kFileVersion);
  for (int32_t c = 0; c < clWorkspace::kCounterCount; ++c)
    out.I32(ws.CounterValue(static_cast<clWorkspace::Counter>(c)));
  out.U32(kListVersion);
  out.Count(static_cast<size_t>(ws.Ports().Count()));
  for (int32_t i = 0; i < ws.Ports().Count(); ++i) {
    out.BeginObject("clSerialPort");
    WritePort(out, *ws.Ports().At(i));
  }
  WriteList(out, ws.Masters(), "clIEC101MasterDevice", WriteMaster);
  WriteList(out, ws.Slaves(), "clIEC101SlaveDevice", WriteSlave);
  WriteList(out, ws.Monitors(), "clIEC101CaptureDevice", WriteMonitor);
  out.U32(kListVersion);
  out.Count(ws.ColumnWidths().Count());
  for (size_t i = 0; i < ws.ColumnWidths().Count(); ++i) {
    out.BeginObject("clColumnWidth");
    WriteColumnWidth(out, ws.ColumnWidths().At(i));
  }
}

void WriteTagListRecord(clArchiveWriter& out, const std::vector<const clTag*>& tags) {
  WriteObjects(out, tags, "clTag", WriteTag);
}

void WriteSectorListRecord(clArchiveWriter& out, const std::vector<const clSector*>& sectors) {
  WriteObjects(out, sectors, "clSector", WriteSector);
}

void WriteDeviceListRecord(clArchiveWriter& out, int32_t kind,
                           const std::vector<const clDevice*>& devices) {
  switch (kind) {
    case clDevice::kMaster:
      WriteObjects(out, OfClass<clIEC101MasterDevice>(devices), "clIEC101MasterDevice",
                   WriteMaster);
      break;
    case clDevice::kSlave:
      WriteObjects(out, OfClass<clIEC101SlaveDevice>(devices), "clIEC101SlaveDevice", WriteSlave);
      break;
    default:
      WriteObjects(out, OfClass<clIEC101CaptureDevice>(devices), "clIEC101CaptureDevice",
                   WriteMonitor);
      break;
  }
}
