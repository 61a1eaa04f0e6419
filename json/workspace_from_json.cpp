#include <algorithm>
#include <climits>
#include <cctype>
#include <cstdio>
#include <memory>

#include "json/json_fields.h"
#include "json/workspace_json.h"
#include "model/tag_text.h"
#include "model/workspace.h"

namespace {

using Counter = clWorkspace::Counter;

constexpr clNamedCode kParityNames[] = {
    {"None", clSerialPort::kParityNone}, {"Odd", clSerialPort::kParityOdd},
    {"Even", clSerialPort::kParityEven}, {"Mark", clSerialPort::kParityMark},
    {"Space", clSerialPort::kParitySpace},
};
constexpr clNamedCode kStopBitNames[] = {
    {"1", clSerialPort::kStopBitsOne},
    {"1.5", clSerialPort::kStopBitsOneAndHalf},
    {"2", clSerialPort::kStopBitsTwo},
};
constexpr clNamedCode kFlowNames[] = {
    {"None", clSerialPort::kFlowNone},
    {"Software", clSerialPort::kFlowSoftware},
    {"Hardware (RTS+CTS)", clSerialPort::kFlowHardware},
    {"Modem (RTS+Toggle)", clSerialPort::kFlowRtsToggle},
    {"Modem (RTS+ON)", clSerialPort::kFlowRtsOn},
};
// Quality flags by the names the traffic text, the tag list and the standard use.
constexpr clNamedCode kQualityNames[] = {
    {"Block", clTag::kQualityBlocked},       {"Blocked", clTag::kQualityBlocked},
    {"BLK", clTag::kQualityBlocked},         {"BL", clTag::kQualityBlocked},
    {"Substituted", clTag::kQualitySubstituted}, {"ST", clTag::kQualitySubstituted},
    {"SB", clTag::kQualitySubstituted},      {"Not Topical", clTag::kQualityNotTopical},
    {"NT", clTag::kQualityNotTopical},       {"Invalid", clTag::kQualityInvalid},
    {"INV", clTag::kQualityInvalid},         {"IV", clTag::kQualityInvalid},
    {"Overflow", clTag::kQualityOverflow},   {"OV", clTag::kQualityOverflow},
    {"Uncertain", clTag::kQualityUncertain}, {"Good", 0},
};

template <size_t N>
constexpr size_t Count(const clNamedCode (&)[N]) {
  return N;
}

// The longest nesting of objects and arrays in the text (strings skipped).
int NestingDepth(std::string_view text) {
  int depth = 0, deepest = 0;
  bool inString = false, escaped = false;
  for (char c : text) {
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

// "Y-M-D h:m:s.ms", each part a decimal integer that may be negative (a file
// may hold any value; the dump writes it as it is).
bool ParseTimeStamp(const std::string& text, clTimeStamp& t) {
  int32_t* parts[] = {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second, &t.millisecond};
  static constexpr char kSeparators[] = "-- ::.";
  size_t pos = 0;
  for (size_t i = 0; i < 7; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != kSeparators[i - 1]) return false;
      ++pos;
    }
    const size_t start = pos;
    if (pos < text.size() && text[pos] == '-') ++pos;
    int64_t value = 0;
    const size_t digits = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) &&
           pos - digits < 10)
      value = value * 10 + (text[pos++] - '0');
    if (pos == digits) return false;
    if (text[start] == '-') value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    *parts[i] = static_cast<int32_t>(value);
  }
  return pos == text.size();
}

// Builds a workspace from the description, giving missing fields what a new
// object of the desktop program gets: names and ids from the workspace's
// counters, a new tag the type of the last tag made on its side, and so on.
class clWorkspaceBuilder {
 public:
  explicit clWorkspaceBuilder(clWorkspace& workspace) : ws_(workspace) {}

  void Build(const clJson& root) {
    clJsonFields f(root, "",
                   {"counters", "ports", "masters", "slaves", "monitors", "columnWidths"});
    ReadCounters(f);
    ReadPorts(f);
    ForEach(f, "masters", [this](const clJson& v, const std::string& p) { ReadMaster(v, p); });
    ForEach(f, "slaves", [this](const clJson& v, const std::string& p) { ReadSlave(v, p); });
    ForEach(f, "monitors", [this](const clJson& v, const std::string& p) { ReadMonitor(v, p); });
    ReadColumnWidths(f);
    for (int c = 0; c < clWorkspace::kCounterCount; ++c) {
      int32_t value = counters_[c];
      // Without stored counters, new objects must not repeat a name or id given.
      if (!countersGiven_ && seen_[c] < INT32_MAX) value = std::max(value, seen_[c] + 1);
      ws_.SetCounterValue(static_cast<Counter>(c), value);
    }
  }

 private:
  enum class Side { kMaster, kSlave, kMonitor };

  template <class Read>
  void ForEach(const clJsonFields& f, const char* key, Read read) {
    const clJson* array = f.Array(key);
    if (array == nullptr) return;
    for (size_t i = 0; i < array->size(); ++i) read((*array)[i], ElementPath(f.PathOf(key), i));
  }

  int32_t Take(Counter c) { return counters_[c]++; }
  void See(Counter c, int32_t value) { seen_[c] = std::max(seen_[c], value); }
  // Notes the number of a name made like the counter's ("Master7").
  void SeeName(Counter c, const std::string& name, const char* prefix) {
    const size_t n = std::char_traits<char>::length(prefix);
    if (name.size() <= n || name.size() > n + 9 || !EqualsNoCase(name.substr(0, n), prefix)) return;
    if (name.find_first_not_of("0123456789", n) != std::string::npos) return;
    See(c, std::stoi(name.substr(n)));
  }
  static std::string Numbered(const char* prefix, int32_t n) { return prefix + std::to_string(n); }

  void ReadCounters(const clJsonFields& f) {
    std::fill(std::begin(counters_), std::end(counters_), 1);
    std::fill(std::begin(seen_), std::end(seen_), 0);
    const clJson* counters = f.Array("counters");
    countersGiven_ = counters != nullptr;
    if (!countersGiven_) return;
    if (counters->size() != clWorkspace::kCounterCount) f.Fail("counters", "not 8 numbers");
    for (size_t i = 0; i < counters->size(); ++i)
      counters_[i] = JsonInt((*counters)[i], ElementPath("counters", i));
  }

  void ReadPorts(const clJsonFields& f) {
    if (!f.Has("ports")) {
      ws_.Ports().AddDefaultPorts();
      return;
    }
    ForEach(f, "ports", [this](const clJson& value, const std::string& path) {
      clJsonFields p(value, path,
                     {"name", "baudRate", "stopBits", "dataBits", "parity", "flowControl",
                      "rtsPreKey", "rtsPostKey", "readTimeout", "writeTimeout"});
      auto port = std::make_unique<clSerialPort>();
      // As the port dialog's "Add Serial" names a port.
      port->SetName(p.Text("name", Numbered("COM", ws_.Ports().Count() + 1)));
      port->SetBaudRate(p.Int("baudRate", port->BaudRate()));
      port->SetStopBits(p.IntOrName("stopBits", port->StopBits(), kStopBitNames,
                                    Count(kStopBitNames), "stop bits"));
      port->SetDataBits(p.Int("dataBits", port->DataBits()));
      port->SetParity(
          p.IntOrName("parity", port->Parity(), kParityNames, Count(kParityNames), "parity"));
      port->SetFlowControl(p.IntOrName("flowControl", port->FlowControl(), kFlowNames,
                                       Count(kFlowNames), "flow control"));
      port->SetRtsPreKeyMs(p.Int("rtsPreKey", port->RtsPreKeyMs()));
      port->SetRtsPostKeyMs(p.Int("rtsPostKey", port->RtsPostKeyMs()));
      port->SetReadTimeoutMs(p.Int("readTimeout", port->ReadTimeoutMs()));
      port->SetWriteTimeoutMs(p.Int("writeTimeout", port->WriteTimeoutMs()));
      ws_.Ports().Add(std::move(port));
    });
  }

  // Name, id, kind and the four field sizes; the name first, as a new device is
  // named when created and numbered when confirmed.
  void ReadDeviceBase(const clJsonFields& f, clDevice& d, const char* prefix, Counter nameCounter) {
    d.SetName(f.Has("name") ? f.Text("name", "") : Numbered(prefix, Take(nameCounter)));
    SeeName(nameCounter, d.Name(), prefix);
    d.SetId(f.Has("id") ? f.Int("id", 0) : Take(clWorkspace::kDeviceIdCounter));
    See(clWorkspace::kDeviceIdCounter, d.Id());
    d.SetKind(f.Int("kind", d.Kind()));
    d.SetLinkAddressSize(f.Int("linkAddressSize", d.LinkAddressSize()));
    d.SetSectorSize(f.Int("commonAddressSize", d.SectorSize()));
    d.SetCotSize(f.Int("cotSize", d.CotSize()));
    d.SetIoaSize(f.Int("ioaSize", d.IoaSize()));
  }

  // The fields masters and slaves share, their sectors included.
  void ReadStation(const clJsonFields& f, clDevice& d, Side side) {
    d.SetLinkAddress(f.Int("linkAddress", d.LinkAddress()));
    d.SetRetries(f.Int("retries", d.Retries()));
    d.SetBalancedMode(f.Bool("balancedMode", d.BalancedMode()));
    d.SetGiPeriodSec(f.Int("generalInterrogationPeriod", d.GiPeriodSec()));
    d.SetTimeSyncPeriodSec(f.Int("timeSynchronisationPeriod", d.TimeSyncPeriodSec()));
    d.SetPortName(f.Text("portName", d.PortName()));
    ForEach(f, "sectors",
            [&](const clJson& value, const std::string& path) { ReadSector(value, path, d, side); });
    d.SetNextCommonAddress(f.Int("nextCommonAddress", d.NextCommonAddress()));
  }

  void ReadMaster(const clJson& value, const std::string& path) {
    clJsonFields f(value, path,
                   {"id", "name", "kind", "linkAddress", "linkAddressSize", "commonAddressSize",
                    "cotSize", "ioaSize", "retries", "balancedMode", "generalInterrogationPeriod",
                    "timeSynchronisationPeriod", "portName", "nextCommonAddress",
                    "autoCreateTags", "pollIntervalMs", "readTimeoutMs", "testPeriodSec",
                    "modemEnabled", "phoneNumber", "dialTimeoutSec", "sectors"});
    auto d = std::make_unique<clIEC101MasterDevice>();
    ReadDeviceBase(f, *d, "Master", clWorkspace::kMasterNameCounter);
    d->SetAutoCreateTags(f.Bool("autoCreateTags", d->AutoCreateTags()));
    d->SetPollIntervalMs(f.Int("pollIntervalMs", d->PollIntervalMs()));
    d->SetReadTimeoutMs(f.Int("readTimeoutMs", d->ReadTimeoutMs()));
    d->SetTestPeriodSec(f.Int("testPeriodSec", d->TestPeriodSec()));
    d->SetModemEnabled(f.Bool("modemEnabled", d->ModemEnabled()));
    d->SetPhoneNumber(f.Text("phoneNumber", d->PhoneNumber()));
    d->SetDialTimeoutSec(f.Int("dialTimeoutSec", d->DialTimeoutSec()));
    ReadStation(f, *d, Side::kMaster);
    ws_.Masters().Append(std::move(d));
  }

  void ReadSlave(const clJson& value, const std::string& path) {
    clJsonFields f(value, path,
                   {"id", "name", "kind", "linkAddress", "linkAddressSize", "commonAddressSize",
                    "cotSize", "ioaSize", "retries", "balancedMode", "generalInterrogationPeriod",
                    "timeSynchronisationPeriod", "portName", "nextCommonAddress", "sectors"});
    auto d = std::make_unique<clIEC101SlaveDevice>();
    ReadDeviceBase(f, *d, "Slave", clWorkspace::kSlaveNameCounter);
    ReadStation(f, *d, Side::kSlave);
    ws_.Slaves().Append(std::move(d));
  }

  void ReadMonitor(const clJson& value, const std::string& path) {
    clJsonFields f(value, path,
                   {"id", "name", "kind", "linkAddressSize", "commonAddressSize", "cotSize",
                    "ioaSize", "port1Name", "port2Name", "tags"});
    auto d = std::make_unique<clIEC101CaptureDevice>();
    ReadDeviceBase(f, *d, "Monitor", clWorkspace::kMonitorNameCounter);
    d->SetPort1Name(f.Text("port1Name", d->Port1Name()));
    d->SetPort2Name(f.Text("port2Name", d->Port2Name()));
    clTags* tags = d->Tags();
    const int32_t id = d->Id();
    ForEach(f, "tags", [&](const clJson& v, const std::string& p) {
      tags->Append(ReadTag(v, p, Side::kMonitor, id));
    });
    ws_.Monitors().Append(std::move(d));
  }

  void ReadSector(const clJson& value, const std::string& path, clDevice& device, Side side) {
    clJsonFields f(value, path, {"id", "deviceId", "name", "commonAddress", "active", "tags"});
    auto sector = std::make_unique<clSector>();
    const int32_t commonAddress = f.Int("commonAddress", device.Sectors()->NextFreeCommonAddress());
    sector->SetCommonAddress(commonAddress);
    sector->SetName(f.Text("name", Numbered("Sector", commonAddress)));
    sector->SetId(f.Has("id") ? f.Int("id", 0) : Take(clWorkspace::kSectorIdCounter));
    See(clWorkspace::kSectorIdCounter, sector->Id());
    sector->SetDeviceId(f.Int("deviceId", device.Id()));
    sector->SetActive(f.Bool("active", sector->Active()));
    clSector* kept = device.Sectors()->Append(std::move(sector));
    ForEach(f, "tags", [&](const clJson& v, const std::string& p) {
      kept->Tags().Append(ReadTag(v, p, side, kept->Id()));
    });
    // As after a new sector: the next one proposed follows this one.
    device.SetNextCommonAddress(commonAddress == INT32_MAX ? commonAddress : commonAddress + 1);
  }

  std::unique_ptr<clTag> ReadTag(const clJson& value, const std::string& path, Side side,
                                 int32_t ownerId) {
    clJsonFields f(value, path,
                   {"id", "sectorId", "name", "type", "ioa", "value", "reservedA", "quality",
                    "cause", "commandState", "flags", "reservedB", "timestamp",
                    "scalingEnabled", "structuredIoa", "rawMax", "rawMin", "engMax", "engMin",
                    "scaleFactor", "linkEnabled", "linkTarget"});
    auto tag = std::make_unique<clTag>();
    clWorkspace::TagChoice* choice = side == Side::kMaster  ? &masterChoice_
                                     : side == Side::kSlave ? &slaveChoice_
                                                            : nullptr;
    const Counter nameCounter = side == Side::kMaster ? clWorkspace::kMasterTagNameCounter
                                                      : clWorkspace::kSlaveTagNameCounter;
    if (side != Side::kMonitor) {
      tag->SetName(f.Has("name") ? f.Text("name", "") : Numbered("Tag", Take(nameCounter)));
      SeeName(nameCounter, tag->Name(), "Tag");
    }
    const int32_t remembered = choice != nullptr ? choice->type : -1;
    tag->SetType(f.Has("type") || remembered == -1
                     ? f.IntOrName("type", tag->TagType(), TypeNames(), kLastTagType, "tag type")
                     : remembered);
    tag->SetStructuredIoa(f.Bool("structuredIoa", choice ? choice->structuredIoa : false));
    tag->SetIoa(f.Int("ioa", tag->Ioa()));
    if (side == Side::kMonitor)
      tag->SetName(f.Text("name", MonitorTagName(tag->TagType(), tag->Ioa())));
    tag->SetId(f.Has("id") ? f.Int("id", 0) : Take(clWorkspace::kTagIdCounter));
    See(clWorkspace::kTagIdCounter, tag->Id());
    tag->SetSectorId(f.Int("sectorId", ownerId));
    // A new slave double point starts "Open" rather than in transit.
    const bool openPoint = side == Side::kSlave && tag->TagType() == clTag::kDoublePoint;
    tag->SetRawValue(f.Double("value", openPoint ? 1 : 0));
    ReadTagRest(f, *tag);
    if (choice != nullptr) *choice = clWorkspace::TagChoice{tag->TagType(), tag->StructuredIoa()};
    return tag;
  }

  void ReadTagRest(const clJsonFields& f, clTag& tag) {
    tag.SetReservedA(f.Int("reservedA", tag.ReservedA()));
    tag.SetReservedB(f.Int("reservedB", tag.ReservedB()));
    tag.SetQuality(ReadQuality(f, tag.Quality()));
    tag.SetCause(f.Int("cause", tag.Cause()));
    tag.SetCommandState(f.Int("commandState", tag.CommandState()));
    tag.SetFlags(f.Int("flags", tag.Flags()));
    if (f.Has("timestamp")) {
      clTimeStamp time;
      if (!ParseTimeStamp(f.Text("timestamp", ""), time))
        f.Fail("timestamp", "not a time of the form YYYY-MM-DD hh:mm:ss.mmm");
      tag.SetTimeStamp(time);
    }
    tag.SetScalingEnabled(f.Bool("scalingEnabled", tag.ScalingEnabled()));
    tag.SetRawMax(f.Double("rawMax", tag.RawMax()));
    tag.SetRawMin(f.Double("rawMin", tag.RawMin()));
    tag.SetEngMax(f.Double("engMax", tag.EngMax()));
    tag.SetEngMin(f.Double("engMin", tag.EngMin()));
    tag.SetScaleFactor(f.Double("scaleFactor", tag.ScaleFactor()));
    tag.SetLinkEnabled(f.Bool("linkEnabled", tag.LinkEnabled()));
    tag.SetLinkTarget(f.Int("linkTarget", tag.LinkTarget()));
  }

  // A number, a name ("Invalid"), names joined by commas ("Blocked,Invalid"), or
  // an array of names.
  static int32_t ReadQuality(const clJsonFields& f, int32_t fallback) {
    if (!f.Has("quality")) return fallback;
    const clJson& value = f.At("quality");
    if (value.is_number()) return f.Int("quality", fallback);
    std::vector<std::string> names;
    if (value.is_string()) {
      std::string text = value.get<std::string>();
      size_t start = 0;
      while (start <= text.size()) {
        size_t comma = std::min(text.find(',', start), text.size());
        names.push_back(text.substr(start, comma - start));
        start = comma + 1;
      }
    } else if (value.is_array()) {
      for (const clJson& item : value) {
        if (!item.is_string()) f.Fail("quality", "not a number, a name or an array of names");
        names.push_back(item.get<std::string>());
      }
    } else {
      f.Fail("quality", "not a number, a name or an array of names");
    }
    int32_t quality = 0;
    for (std::string name : names) {
      name.erase(0, name.find_first_not_of(' '));
      name.erase(name.find_last_not_of(' ') + 1);
      const clNamedCode* found = nullptr;
      for (const clNamedCode& entry : kQualityNames)
        if (EqualsNoCase(name, entry.name)) found = &entry;
      if (found == nullptr)
        f.Fail("quality", "unknown quality flag '" + name +
                              "' (Blocked, Substituted, Not Topical, Invalid, Overflow,"
                              " Uncertain, Good, or a number)");
      quality |= found->code;
    }
    return quality;
  }

  // Tag type names in code order: entry i names code i + 1.
  static const clNamedCode* TypeNames() {
    static const std::vector<clNamedCode> names = [] {
      std::vector<clNamedCode> list;
      for (int32_t type = kFirstTagType; type <= kLastTagType; ++type)
        list.push_back(clNamedCode{TagTypeName(type), type});
      return list;
    }();
    return names.data();
  }

  void ReadColumnWidths(const clJsonFields& f) {
    if (!f.Has("columnWidths")) {
      ws_.ColumnWidths().AddDefaults();
      return;
    }
    ForEach(f, "columnWidths", [this](const clJson& value, const std::string& path) {
      clJsonFields c(value, path, {"listKind", "widths"});
      if (!c.Has("listKind")) c.Fail("listKind", "missing");
      auto entry = std::make_unique<clColumnWidth>(c.Text("listKind", ""));
      const clJson* widths = c.Array("widths");
      if (widths != nullptr && widths->size() > clColumnWidth::kColumns)
        c.Fail("widths", "more than " + std::to_string(clColumnWidth::kColumns) + " widths");
      for (size_t i = 0; widths != nullptr && i < widths->size(); ++i)
        entry->SetWidth(static_cast<int32_t>(i),
                        JsonInt((*widths)[i], ElementPath(c.PathOf("widths"), i)));
      ws_.ColumnWidths().Append(std::move(entry));
    });
  }

  clWorkspace& ws_;
  int32_t counters_[clWorkspace::kCounterCount] = {};
  int32_t seen_[clWorkspace::kCounterCount] = {};
  bool countersGiven_ = false;
  clWorkspace::TagChoice masterChoice_;
  clWorkspace::TagChoice slaveChoice_;
};

// "[json.exception.parse_error.101] parse error at line 3, column 7: syntax
// error ..." without the library's prefix.
std::string SyntaxMessage(const std::string& what) {
  const std::string marker = "parse error at ";
  size_t at = what.find(marker);
  if (at != std::string::npos) return what.substr(at + marker.size());
  at = what.find("] ");
  return at == std::string::npos ? what : what.substr(at + 2);
}

}  // namespace

std::string WorkspaceFromJson(std::string_view text, clWorkspace& workspace) {
  if (text.size() > kMaxWorkspaceJsonBytes) return "larger than the description limit";
  if (NestingDepth(text) > kMaxWorkspaceJsonDepth)
    return "nested more than " + std::to_string(kMaxWorkspaceJsonDepth) + " levels deep";
  clWorkspace built;
  try {
    const clJson root = clJson::parse(text.begin(), text.end());
    clWorkspaceBuilder(built).Build(root);
  } catch (const clJsonError& error) {
    return error.text;
  } catch (const clJson::exception& error) {
    // Text that is not JSON, or a number beyond a double ("1e999").
    return SyntaxMessage(error.what());
  } catch (const std::bad_alloc&) {
    return "too large to read";
  }
  workspace.Swap(built);
  return "";
}
