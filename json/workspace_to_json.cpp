#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "json/workspace_json.h"
#include "model/workspace.h"

namespace {

constexpr uint64_t kOrdinaryNanBits = 0x7FF8000000000000ull;

// Appends JSON text: objects and arrays are opened and closed explicitly, members
// and elements put commas themselves.
class JsonOut {
 public:
  std::string text;

  void Open(char bracket) {
    Separate();
    text += bracket;
    first_ = true;
  }
  void Close(char bracket) {
    text += bracket;
    first_ = false;
  }
  void Key(std::string_view key) {
    Separate();
    AppendString(key);
    text += ':';
    first_ = true;  // the value that follows needs no comma
  }
  void Int(int64_t v) {
    Separate();
    text += std::to_string(v);
  }
  void Bool(bool v) {
    Separate();
    text += v ? "true" : "false";
  }
  void Double(double v) {
    Separate();
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    if (std::isnan(v)) {
      char nan[40] = "\"NaN\"";
      if (bits != kOrdinaryNanBits)
        std::snprintf(nan, sizeof nan, "\"NaN:0x%016llX\"", static_cast<unsigned long long>(bits));
      text += nan;
    } else if (v == 0 && std::signbit(v)) {
      text += "-0.0";  // "-0" would read back as the integer 0
    } else if (std::isinf(v)) {
      text += v > 0 ? "\"Infinity\"" : "\"-Infinity\"";
    } else {
      char number[40];
      std::snprintf(number, sizeof number, "%.17g", v);
      text += number;
    }
  }
  void String(std::string_view v) {
    Separate();
    AppendString(v);
  }

  void Member(std::string_view key, int64_t v) {
    Key(key);
    Int(v);
  }
  void MemberBool(std::string_view key, bool v) {
    Key(key);
    Bool(v);
  }
  void MemberDouble(std::string_view key, double v) {
    Key(key);
    Double(v);
  }
  void MemberString(std::string_view key, std::string_view v) {
    Key(key);
    String(v);
  }

 private:
  void Separate() {
    if (!first_) text += ',';
    first_ = false;
  }
  void AppendString(std::string_view v) {
    text += '"';
    for (char c : v) {
      const auto u = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        text += '\\';
        text += c;
      } else if (u < 0x20 || u == 0x7F) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", u);
        text += escape;
      } else {
        text += c;
      }
    }
    text += '"';
  }
  bool first_ = true;
};

void DumpTag(JsonOut& j, const clTag& t) {
  j.Open('{');
  j.Member("id", t.Id());
  j.Member("sectorId", t.SectorId());
  j.MemberString("name", t.Name());
  j.Member("type", t.TagType());
  j.Member("ioa", t.Ioa());
  j.MemberDouble("value", t.Value());
  j.Member("reservedA", t.ReservedA());
  j.Member("quality", t.Quality());
  j.Member("cause", t.Cause());
  j.Member("commandState", t.CommandState());
  j.Member("flags", t.Flags());
  j.Member("reservedB", t.ReservedB());
  j.MemberString("timestamp", TimeStampText(t.TimeStamp()));
  j.MemberBool("scalingEnabled", t.ScalingEnabled());
  j.MemberBool("structuredIoa", t.StructuredIoa());
  j.MemberDouble("rawMax", t.RawMax());
  j.MemberDouble("rawMin", t.RawMin());
  j.MemberDouble("engMax", t.EngMax());
  j.MemberDouble("engMin", t.EngMin());
  j.MemberDouble("scaleFactor", t.ScaleFactor());
  j.MemberBool("linkEnabled", t.LinkEnabled());
  j.Member("linkTarget", t.LinkTarget());
  j.Close('}');
}

void DumpTags(JsonOut& j, const clTags& tags) {
  j.Key("tags");
  j.Open('[');
  for (const clTag* tag : tags.Items()) DumpTag(j, *tag);
  j.Close(']');
}

void DumpSector(JsonOut& j, const clSector& s) {
  j.Open('{');
  j.Member("id", s.Id());
  j.Member("deviceId", s.DeviceId());
  j.MemberString("name", s.Name());
  j.Member("commonAddress", s.CommonAddress());
  j.MemberBool("active", s.Active());
  DumpTags(j, s.Tags());
  j.Close('}');
}

// The fields every stored device has, in the common table's names.
void DumpDeviceBase(JsonOut& j, const clDevice& d, bool withLinkAddress) {
  j.Member("id", d.Id());
  j.MemberString("name", d.Name());
  j.Member("kind", d.Kind());
  if (withLinkAddress) j.Member("linkAddress", d.LinkAddress());
  j.Member("linkAddressSize", d.LinkAddressSize());
  j.Member("commonAddressSize", d.SectorSize());
  j.Member("cotSize", d.CotSize());
  j.Member("ioaSize", d.IoaSize());
}

// Fields masters and slaves share.
void DumpStationFields(JsonOut& j, const clDevice& d) {
  j.Member("retries", d.Retries());
  j.MemberBool("balancedMode", d.BalancedMode());
  j.Member("generalInterrogationPeriod", d.GiPeriodSec());
  j.Member("timeSynchronisationPeriod", d.TimeSyncPeriodSec());
  j.MemberString("portName", d.PortName());
  j.Member("nextCommonAddress", d.NextCommonAddress());
}

void DumpSectors(JsonOut& j, const clSectors& sectors) {
  j.Key("sectors");
  j.Open('[');
  for (const clSector* sector : sectors.Items()) DumpSector(j, *sector);
  j.Close(']');
}

void DumpMaster(JsonOut& j, const clIEC101MasterDevice& d) {
  j.Open('{');
  DumpDeviceBase(j, d, true);
  DumpStationFields(j, d);
  j.MemberBool("autoCreateTags", d.AutoCreateTags());
  j.Member("pollIntervalMs", d.PollIntervalMs());
  j.Member("readTimeoutMs", d.ReadTimeoutMs());
  j.Member("testPeriodSec", d.TestPeriodSec());
  j.MemberBool("modemEnabled", d.ModemEnabled());
  j.MemberString("phoneNumber", d.PhoneNumber());
  j.Member("dialTimeoutSec", d.DialTimeoutSec());
  DumpSectors(j, *d.Sectors());
  j.Close('}');
}

void DumpSlave(JsonOut& j, const clIEC101SlaveDevice& d) {
  j.Open('{');
  DumpDeviceBase(j, d, true);
  DumpStationFields(j, d);
  DumpSectors(j, *d.Sectors());
  j.Close('}');
}

void DumpMonitor(JsonOut& j, const clIEC101CaptureDevice& d) {
  j.Open('{');
  DumpDeviceBase(j, d, false);
  j.MemberString("port1Name", d.Port1Name());
  j.MemberString("port2Name", d.Port2Name());
  DumpTags(j, *d.Tags());
  j.Close('}');
}

void DumpPort(JsonOut& j, const clSerialPort& p) {
  j.Open('{');
  j.MemberString("name", p.Name());
  j.Member("baudRate", p.BaudRate());
  j.Member("stopBits", p.StopBits());
  j.Member("dataBits", p.DataBits());
  j.Member("parity", p.Parity());
  j.Member("flowControl", p.FlowControl());
  j.Member("rtsPreKey", p.RtsPreKeyMs());
  j.Member("rtsPostKey", p.RtsPostKeyMs());
  j.Member("readTimeout", p.ReadTimeoutMs());
  j.Member("writeTimeout", p.WriteTimeoutMs());
  j.Close('}');
}

void DumpColumnWidth(JsonOut& j, const clColumnWidth& w) {
  j.Open('{');
  j.MemberString("listKind", w.Kind());
  j.Key("widths");
  j.Open('[');
  for (int32_t c = 0; c < clColumnWidth::kColumns; ++c) j.Int(w.Width(c));
  j.Close(']');
  j.Close('}');
}

template <class List, class Dump>
void DumpList(JsonOut& j, const char* key, const List& list, Dump dump) {
  j.Key(key);
  j.Open('[');
  for (const auto* item : list.Items()) dump(j, *item);
  j.Close(']');
}

}  // namespace

std::string WorkspaceToJson(const clWorkspace& ws) {
  JsonOut j;
  j.Open('{');
  j.Key("counters");
  j.Open('[');
  for (int32_t c = 0; c < clWorkspace::kCounterCount; ++c)
    j.Int(ws.CounterValue(static_cast<clWorkspace::Counter>(c)));
  j.Close(']');
  j.Key("ports");
  j.Open('[');
  for (int32_t i = 0; i < ws.Ports().Count(); ++i) DumpPort(j, *ws.Ports().At(i));
  j.Close(']');
  DumpList(j, "masters", ws.Masters(), DumpMaster);
  DumpList(j, "slaves", ws.Slaves(), DumpSlave);
  DumpList(j, "monitors", ws.Monitors(), DumpMonitor);
  j.Key("columnWidths");
  j.Open('[');
  for (size_t i = 0; i < ws.ColumnWidths().Count(); ++i)
    DumpColumnWidth(j, ws.ColumnWidths().At(i));
  j.Close(']');
  j.Close('}');
  return j.text + "\n";
}
