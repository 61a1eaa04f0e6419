#include "protocol/traffic_text.h"

#include <cstdarg>
#include <cstdio>

#include "protocol/asdu_names.h"
#include "protocol/iec101_codes.h"

namespace {

// Title and ASDU-line name of a monitor-direction type.
struct MonitorText {
  uint8_t typeId;
  const char* title;
  const char* asduName;
};

constexpr MonitorText kMonitorTexts[] = {
    {1, "Single Point Response", "Single Point"},
    {30, "Single Point Response", "Single Point with Time Tag CP56Time2a"},
    {3, "Double Point Response", "Double Point"},
    {31, "Double Point Response", "Double Point with Time Tag CP56Time2a"},
    {9, "Measured Normalized Response", "Measured Normalized"},
    {34, "Measured Normalized Response", "Measured Normalized with Time Tag CP56Time2a"},
    {11, "Measured Scale Response", "Measured Scale"},
    {35, "Measured Scaled Response", "Measured Scaled with Time Tag CP56Time2a"},
    {13, "Measured Float Response", "Measured Float"},
    {36, "Measured Float Response", "Measured Float with Time Tag CP56Time2a"},
    {5, "Step Position Response", "Step Position"},
    {32, "Step Position Response", "Step Position with Time Tag CP56Time2a"},
    {15, "Integrated Total Response", "Integrated Total"},
    {37, "Integrated Total Response", "Integrated Total with Time Tag CP56Time2a"},
};

// Title stem and ASDU-line name of a command or system command. Commands add "Select"
// or "Execute" by the S/E bit of their first object; all add "Request" or "Response".
struct CommandText {
  uint8_t typeId;
  const char* stem;
  const char* asduName;
  bool selectInTitle;
};

constexpr CommandText kCommandTexts[] = {
    {45, "Single Command", "Single Command", true},
    {46, "Double Command", "Double Command", true},
    {47, "Regulating Step Command", "Regulating Step Command", true},
    {48, "Setpoint Normalized", "Setpoint Normalized Command", true},
    {49, "Setpoint Scaled", "Setpoint Scaled Command", true},
    {50, "Setpoint Float", "Setpoint Float Command", true},
    {100, "Interrogation", "Interrogation Command", false},
    {103, "Clock synchronization", "Clock synchronization Command", false},
};

// The master and the slave word a clock synchronisation request with a capital S.
constexpr CommandText kClockSyncRequestText = {103, "Clock Synchronization",
                                               "Clock Synchronization Command", false};

constexpr const char* kDoublePointNames[] = {"Intransit", "Open", "Close", "Invalid"};
constexpr const char* kStepCommandNames[] = {"Not Permit", "Lower", "Higher", "Not Permit"};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<size_t>(n));
  std::string out(static_cast<size_t>(n) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(out.data(), out.size(), format, args);
  va_end(args);
  out.resize(static_cast<size_t>(n));
  return out;
}

int Bit(bool value) { return value ? 1 : 0; }

std::string CauseLine(const clIEC101Frame& frame) {
  uint32_t cause = frame.Cause();
  return Format("COT: %u <%s> Sector %u", cause, CauseName(cause).c_str(), frame.CommonAddress());
}

std::string SelectText(bool select) { return select ? "Select" : "Execute"; }

std::string ValueText(const clElementLayout& layout, const clInformationObject& object) {
  using K = ElementKind;
  switch (layout.kind) {
    case K::kSinglePoint:
    case K::kSingleCommand:
      return object.state ? "On" : "Off";
    case K::kDoublePoint:
    case K::kDoubleCommand:
      return kDoublePointNames[object.state & 0x03];
    case K::kStepCommand:
      return kStepCommandNames[object.state & 0x03];
    case K::kStepPosition:
    case K::kScaled:
    case K::kScaledSetpoint:
      return Format("%d", object.state);
    case K::kNormalized:
    case K::kFloat:
    case K::kNormalizedSetpoint:
    case K::kFloatSetpoint:
      return FormatNumber(object.value);
    case K::kCounter:
      return FormatNumber(object.state);
    case K::kInterrogation:
      return Format("QOI: %d <Station Interrogation>", object.state);
    case K::kClockSync:
      return FormatTime(object.time);
  }
  return {};
}

std::string StatusText(const clElementLayout& layout, const clInformationObject& object) {
  using K = ElementKind;
  switch (layout.kind) {
    case K::kSinglePoint:
    case K::kDoublePoint:
      return QualityText(object.qualityOctet, false);
    case K::kStepPosition:
    case K::kNormalized:
    case K::kScaled:
    case K::kFloat:
      return QualityText(object.qualityOctet, true);
    case K::kCounter:
      return CounterStatusText(object.qualityOctet);
    case K::kSingleCommand:
    case K::kDoubleCommand:
    case K::kStepCommand:
      return SelectText(object.select) + " <" + QualifierName(object.qualifier) + ">";
    case K::kNormalizedSetpoint:
    case K::kScaledSetpoint:
    case K::kFloatSetpoint:
      return SelectText(object.select);
    case K::kInterrogation:
    case K::kClockSync:
      return {};
  }
  return {};
}

void AddElements(const clElementLayout& layout, const std::vector<clInformationObject>& objects,
                 clTrafficRecord& record) {
  for (const clInformationObject& object : objects)
    record.AddElement(static_cast<int32_t>(object.address), ValueText(layout, object),
                      object.timed && layout.timed ? FormatTime(object.time) : std::string(),
                      StatusText(layout, object));
}

template <typename Entry, size_t N>
const Entry* FindText(const Entry (&table)[N], uint32_t typeId) {
  for (const Entry& entry : table)
    if (entry.typeId == typeId) return &entry;
  return nullptr;
}

// The role's lines for a variable frame whose type no decoder handles.
void FillUnhandled(const clIEC101Frame& frame, TrafficRole role, uint32_t typeId,
                   clTrafficRecord& record) {
  uint32_t count = frame.ObjectCount();
  int sq = Bit(frame.IsSequence());
  std::string name = TypeName(typeId);
  if (role == TrafficRole::kMaster && typeId == kTypeEndOfInitialisation) {
    record.kind = kTypeEndOfInitialisation;
    record.title = "End of initialisation Request";
    record.asdu = Format("ASDU: %u <End of initialisation> Count:%u SQ:%d", typeId, count, sq);
    record.cause = CauseLine(frame);
  } else if (role == TrafficRole::kMaster) {
    record.kind = clTrafficRecord::kEventKind;
    record.title = name + " Response <ASDU is not implemented>";
    record.asdu = Format("ASDU: %u <%s> Count:%u SQ:%d", typeId, name.c_str(), count, sq);
    record.cause = CauseLine(frame);
  } else if (role == TrafficRole::kSlave) {
    record.title = Format("ASDU %u <%s> not yet implemented", typeId, name.c_str());
  }
  // The monitor shows only the link control line of such a frame.
}

}  // namespace

std::string FormatNumber(double value) {
  if (value == 0) return "0";
  std::string text = Format("%f", value);
  size_t separator = text.find_first_of(".,");
  if (separator != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && (text.back() == '.' || text.back() == ',')) text.pop_back();
  }
  if (text == "-0") return "0";
  return text;
}

std::string LinkControlLine(const clIEC101Frame& frame, bool requestForm, bool withDir) {
  std::string function = frame.LongFunctionName();
  int prm = frame.Prm(), first = frame.FcvOrDfc(), second = frame.FcbOrAcd();
  unsigned address = frame.LinkAddress();
  if (requestForm) {
    // Request form: FCV before FCB.
    return withDir ? Format("Link Control: %s [DIR:%d PRM:%d FCV:%d FCB:%d] LinkAdr: %u",
                            function.c_str(), frame.Dir(), prm, first, second, address)
                   : Format("Link Control: %s [PRM:%d FCV:%d FCB:%d] LinkAdr: %u", function.c_str(),
                            prm, first, second, address);
  }
  // Response form: ACD (bit 5) before DFC (bit 4).
  return withDir ? Format("Link Control: %s [DIR:%d PRM:%d ACD:%d DFC:%d] LinkAdr: %u",
                          function.c_str(), frame.Dir(), prm, second, first, address)
                 : Format("Link Control: %s [PRM:%d ACD:%d DFC:%d] LinkAdr: %u", function.c_str(),
                          prm, second, first, address);
}

void FillLinkText(const clIEC101Frame& frame, const clTrafficView& view, clTrafficRecord& record) {
  record.kind = 0;
  record.bytes = frame.HexText();
  if (frame.Length() == 0) return;
  uint8_t start = frame.At(0);
  if (start == clIEC101Frame::kSingleChar) {
    record.title = "Short Ack Response";
    return;
  }
  bool primary = frame.Prm() == 1;
  bool request = primary;
  switch (view.role) {
    case TrafficRole::kMonitor:
      // The monitor knows the direction by its port, not by the frame.
      if (start == clIEC101Frame::kFixedStart) request = view.port == 1;
      break;
    case TrafficRole::kSlave:
      request = view.received;
      break;
    case TrafficRole::kMaster:
      break;
  }
  bool withDir = view.role == TrafficRole::kMaster && view.balanced;
  record.detail = LinkControlLine(frame, request, withDir);
  if (start == clIEC101Frame::kFixedStart)
    record.title = frame.ShortFunctionName() + (request ? " Request" : " Response");
}

void FillAsduText(const clIEC101Frame& frame, TrafficRole role,
                  const std::vector<clInformationObject>& objects, clTrafficRecord& record) {
  if (!frame.IsVariable() || !frame.SizesValid()) return;
  uint32_t typeId = TypeCode(frame.TypeId());
  const clElementLayout* layout = FindElementLayout(typeId);
  if (!layout) {
    FillUnhandled(frame, role, typeId, record);
    return;
  }
  record.kind = static_cast<int32_t>(typeId);
  uint32_t count = frame.ObjectCount();
  int sq = Bit(frame.IsSequence());
  if (const MonitorText* text = FindText(kMonitorTexts, typeId)) {
    record.title = text->title;
    record.asdu = Format("ASDU: %u <%s> Length:%u Count:%u SQ:%d", typeId, text->asduName,
                         static_cast<unsigned>(frame.At(1)), count, sq);
  } else if (const CommandText* command = FindText(kCommandTexts, typeId)) {
    bool request = frame.Prm() == 1;
    if (typeId == kTypeClockSync && request && role != TrafficRole::kMonitor)
      command = &kClockSyncRequestText;
    std::string title = command->stem;
    if (command->selectInTitle)
      title += !objects.empty() && objects.front().select ? " Select" : " Execute";
    record.title = title + (request ? " Request" : " Response");
    record.asdu = Format("ASDU: %u <%s> Count:%u SQ:%d", typeId, command->asduName, count, sq);
  }
  record.cause = CauseLine(frame);
  AddElements(*layout, objects, record);
}

void DecodeTrafficText(const clIEC101Frame& frame, const clTrafficView& view,
                       const clDateTime& receptionTime, clTrafficRecord& record) {
  record.title.clear();
  record.detail.clear();
  record.asdu.clear();
  record.cause.clear();
  record.elements.clear();
  FillLinkText(frame, view, record);
  if (frame.IsVariable())
    FillAsduText(frame, view.role, DecodeObjects(frame, receptionTime), record);
}

void FillEventRecord(const clIEC101Frame& frame, const std::string& text, clTrafficRecord& record) {
  record.kind = clTrafficRecord::kEventKind;
  record.bytes = frame.HexText();
  record.title = text;
  record.detail.clear();
  record.asdu.clear();
  record.cause.clear();
  record.elements.clear();
}
