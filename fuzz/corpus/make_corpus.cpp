// Writes the seed inputs of the fuzz targets from the program's own writers:
// line octets from the frame and data-unit builders, workspace files from the
// file writer, JSON descriptions from the dump, clipboard blocks from the
// clipboard encoder. Built only on request (target make_fuzz_corpus, see
// fuzz/corpus/make_corpus.sh); each seed stays within the target's input limit.
//   make_fuzz_corpus DIR [NAME FILE.xls]...   (DIR/<target>/ must exist); each
//   workbook's Workbook stream becomes xls_fuzz/NAME_stream
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "json/workspace_json.h"
#include "model/object_clip.h"
#include "model/workspace.h"
#include "model/workspace_file.h"
#include "protocol/iec101_codes.h"
#include "protocol/iec101_frame.h"
#include "tests/model/workspace_helpers.h"
#include "workbook/compound_file.h"

namespace {

using Octets = std::vector<uint8_t>;

std::string gDir;

// The input limits scripts/fuzz.sh gives the targets.
size_t MaxLength(const std::string& target) {
  if (target == "decode_fuzz" || target == "frame_fuzz") return 1100;
  if (target == "workspace_fuzz" || target == "clipboard_fuzz") return 8192;
  return 32768;
}

void Write(const std::string& target, const std::string& name, const Octets& bytes) {
  if (bytes.size() > MaxLength(target)) {
    std::fprintf(stderr, "%s/%s: %zu octets, above the target's limit\n", target.c_str(),
                 name.c_str(), bytes.size());
    std::exit(1);
  }
  std::ofstream out(gDir + "/" + target + "/" + name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s/%s\n", target.c_str(), name.c_str());
    std::exit(1);
  }
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::exit(1);
}

// ---- Line octets ----

struct Sizes {
  uint32_t link, common, ioa, cause;
};

// Every combination the frame supports: link and common address and cause of one
// or two octets, object address of one to three.
std::vector<Sizes> AllSizes() {
  std::vector<Sizes> all;
  for (uint32_t link = 1; link <= 2; ++link)
    for (uint32_t common = 1; common <= 2; ++common)
      for (uint32_t ioa = 1; ioa <= 3; ++ioa)
        for (uint32_t cause = 1; cause <= 2; ++cause) all.push_back({link, common, ioa, cause});
  return all;
}

// The first octet of a decode_fuzz input (see decode_fuzz.cpp).
uint8_t DecodeSelector(const Sizes& s, uint32_t role, bool high) {
  return static_cast<uint8_t>((s.link - 1) | (s.common - 1) << 1 | s.ioa << 2 |
                              (s.cause - 1) << 4 | role << 5 | (high ? 0x80 : 0));
}

// The first octet of a frame_fuzz input that gives these sizes (see frame_fuzz.cpp).
uint8_t FrameSelector(const Sizes& s) {
  for (uint32_t b = 0; b < 256; ++b)
    if (1 + (b & 1) == s.link && 1 + ((b >> 1) & 1) == s.common && 1 + (b >> 2) % 3 == s.ioa &&
        1 + ((b >> 4) & 1) == s.cause)
      return static_cast<uint8_t>(b);
  Fail("no frame selector");
  return 0;
}

void Append(Octets& out, const clIEC101Frame& frame) {
  out.insert(out.end(), frame.Data(), frame.Data() + frame.Length());
}

// Octets a noisy line puts between frames: stray start octets, a torn frame.
void Noise(Octets& out, uint32_t n) {
  static const Octets kNoise[] = {{0x00, 0xFF}, {0x68, 0x03}, {0x10, 0x49}, {0x16, 0x68, 0x09, 0x68},
                                  {0x55, 0xAA, 0x01}};
  const Octets& noise = kNoise[n % std::size(kNoise)];
  out.insert(out.end(), noise.begin(), noise.end());
}

clIEC101Frame Fresh(const Sizes& s) {
  clIEC101Frame frame;
  frame.SetSizes(s.link, s.common, s.ioa, s.cause);
  frame.Reset();
  return frame;
}

void Fixed(Octets& out, const Sizes& s, uint8_t control, uint32_t address) {
  clIEC101Frame frame = Fresh(s);
  frame.AppendOctet(clIEC101Frame::kFixedStart);
  frame.AppendOctet(control);
  frame.AppendLinkAddress(address);
  frame.Seal();
  Append(out, frame);
}

const clDateTime kTime{2026, 12, 7, 8, 30, 15, 250};

// Appends `count` objects of typeId, with addresses (sequence false) or as one
// sequence from the first address.
void Objects(clIEC101Frame& f, uint8_t typeId, uint32_t count, bool sequence) {
  const uint32_t base = 100;
  for (uint32_t i = 0; i < count; ++i) {
    const bool addressed = !sequence;
    if (sequence && i == 0) f.AppendObjectAddress(base);
    const uint32_t a = base + i;
    const uint8_t q = static_cast<uint8_t>(i % 2 ? 0x80 | 0x10 : 0x01);
    const clDateTime t{kTime.year, kTime.month, kTime.day, kTime.hour, kTime.minute,
                       kTime.second + static_cast<int32_t>(i), kTime.millisecond};
    switch (typeId) {
      case kTypeSinglePoint:
        addressed ? f.AppendPointObject(a, i % 2, q & 0xF0) : f.AppendPointObject(i % 2, q & 0xF0);
        break;
      case kTypeDoublePoint:
        addressed ? f.AppendPointObject(a, 1 + i % 3, q & 0xF0)
                  : f.AppendPointObject(1 + i % 3, q & 0xF0);
        break;
      case kTypeStepPosition: {
        const int32_t v = i % 2 ? 99 : -5;  // 99 is clamped and flagged
        addressed ? f.AppendStepObject(a, v, q) : f.AppendStepObject(v, q);
        break;
      }
      case kTypeMeasuredNormalized: {
        const double v = i % 2 ? -1.0 : 0.5;
        addressed ? f.AppendNormalizedObject(a, v, q) : f.AppendNormalizedObject(v, q);
        break;
      }
      case kTypeMeasuredScaled: {
        const int32_t v = i % 2 ? -32768 : 1234;
        addressed ? f.AppendScaledObject(a, v, q) : f.AppendScaledObject(v, q);
        break;
      }
      case kTypeMeasuredFloat: {
        const double v = i % 2 ? -1e30 : 3.25;
        addressed ? f.AppendFloatObject(a, v, q) : f.AppendFloatObject(v, q);
        break;
      }
      case kTypeIntegratedTotals: {
        const int32_t v = i % 2 ? -1 : 123456;
        addressed ? f.AppendCounterObject(a, v, static_cast<uint8_t>(i | q))
                  : f.AppendCounterObject(v, static_cast<uint8_t>(i | q));
        break;
      }
      case kTypeSinglePointTimed: f.AppendPointObjectTimed(a, i % 2, q & 0xF0, t); break;
      case kTypeDoublePointTimed: f.AppendPointObjectTimed(a, 2, q & 0xF0, t); break;
      case kTypeStepPositionTimed: f.AppendStepObjectTimed(a, i % 2 ? -64 : 63, q, t); break;
      case kTypeMeasuredNormalizedTimed: f.AppendNormalizedObjectTimed(a, 0.25, q, t); break;
      case kTypeMeasuredScaledTimed: f.AppendScaledObjectTimed(a, -7, q, t); break;
      case kTypeMeasuredFloatTimed: f.AppendFloatObjectTimed(a, 1.5e-3, q, t); break;
      case kTypeIntegratedTotalsTimed: f.AppendCounterObjectTimed(a, 77, q, t); break;
      case kTypeSingleCommand: f.AppendCommandObject(a, CommandOctet(1, 0, i % 2 == 0)); break;
      case kTypeDoubleCommand: f.AppendCommandObject(a, CommandOctet(2, 1, i % 2 == 0)); break;
      case kTypeStepCommand: f.AppendCommandObject(a, CommandOctet(1, 2, i % 2 == 0)); break;
      case kTypeSetpointNormalized: f.AppendNormalizedSetpoint(a, -0.5, i % 2 ? 0x80 : 0); break;
      case kTypeSetpointScaled: f.AppendScaledSetpoint(a, 300, i % 2 ? 0x80 : 0); break;
      case kTypeSetpointFloat: f.AppendFloatSetpoint(a, 42.5, i % 2 ? 0x80 : 0); break;
      case kTypeEndOfInitialisation: f.AppendCommandObject(0, 0); break;
      case kTypeInterrogation: f.AppendCommandObject(0, kQoiStation); break;
      case kTypeClockSync: f.AppendTimeObject(0, t); break;
      default: f.AppendCommandObject(a, 0x55); break;  // a type no decoder knows
    }
  }
  if (sequence) f.sequenceFlag = 1;
}

// One data unit of typeId from the primary (activation) or the secondary station.
void DataUnit(Octets& out, const Sizes& s, uint8_t typeId, bool primary, uint32_t count,
              bool sequence, uint32_t cause) {
  clIEC101Frame frame = Fresh(s);
  const uint8_t control = primary ? kControlPrm | kControlFcvDfc | kFunctionUserDataConfirmed
                                  : kControlFcbAcd | kFunctionUserData;
  frame.BeginAsdu(control, s.link == 2 ? 0x1234 : 5, typeId, cause, s.common == 2 ? 0x4321 : 7);
  Objects(frame, typeId, count, sequence);
  frame.Seal();
  if (frame.Check() != FrameComplete) Fail("built frame does not check");
  Append(out, frame);
}

const uint8_t kTypes[] = {
    kTypeSinglePoint,        kTypeDoublePoint,           kTypeStepPosition,
    kTypeMeasuredNormalized, kTypeMeasuredScaled,        kTypeMeasuredFloat,
    kTypeIntegratedTotals,   kTypeSinglePointTimed,      kTypeDoublePointTimed,
    kTypeStepPositionTimed,  kTypeMeasuredNormalizedTimed, kTypeMeasuredScaledTimed,
    kTypeMeasuredFloatTimed, kTypeIntegratedTotalsTimed, kTypeSingleCommand,
    kTypeDoubleCommand,      kTypeStepCommand,           kTypeSetpointNormalized,
    kTypeSetpointScaled,     kTypeSetpointFloat,         kTypeEndOfInitialisation,
    kTypeInterrogation,      kTypeClockSync,             120};

bool Untimed(uint8_t typeId) { return typeId <= kTypeIntegratedTotals; }

// The line of one type: link traffic, the type from both stations, a sequence
// form where the type has one, a frame with a broken sum, and noise between.
Octets TypeLine(const Sizes& s, uint8_t typeId, uint32_t n) {
  Octets line;
  Noise(line, n);
  Fixed(line, s, kControlPrm | kFunctionRequestLinkStatus, 5);
  line.push_back(clIEC101Frame::kSingleChar);
  Noise(line, n + 1);
  const bool command = IsCommandType(typeId) || typeId == kTypeInterrogation ||
                       typeId == kTypeClockSync;
  DataUnit(line, s, typeId, true, command ? 1 : 2, false,
           command ? kCauseActivation : kCauseSpontaneous);
  Fixed(line, s, kFunctionAck, 5);
  Noise(line, n + 2);
  DataUnit(line, s, typeId, false, command ? 1 : 3, false,
           command ? kCauseActivationConfirmation : kCauseInterrogatedByStation);
  if (command) DataUnit(line, s, typeId, false, 1, false, kCauseNegativeConfirmation);
  if (Untimed(typeId)) DataUnit(line, s, typeId, false, 4, true, kCauseInterrogatedByStation);
  // The same data unit with its sum broken.
  Octets broken;
  DataUnit(broken, s, typeId, false, 1, false, kCauseSpontaneous);
  broken[broken.size() - 2] ^= 0x5A;
  line.insert(line.end(), broken.begin(), broken.end());
  Noise(line, n + 3);
  return line;
}

// Every link function of both stations, with their control bits.
Octets LinkLine(const Sizes& s) {
  Octets line;
  for (uint8_t f : {kFunctionResetRemoteLink, kFunctionTestLink, kFunctionUserDataConfirmed,
                    kFunctionRequestLinkStatus, kFunctionRequestClass1, kFunctionRequestClass2,
                    uint8_t{4}, uint8_t{15}}) {
    Fixed(line, s, static_cast<uint8_t>(kControlPrm | f), 3);
    Fixed(line, s, static_cast<uint8_t>(kControlPrm | kControlFcbAcd | kControlFcvDfc | f), 3);
    Fixed(line, s, static_cast<uint8_t>(kControlDir | kControlPrm | f), 3);
  }
  Noise(line, 0);
  for (uint8_t f : {kFunctionAck, kFunctionNack, kFunctionUserData, kFunctionNoData,
                    kFunctionStatusOfLink, uint8_t{14}, uint8_t{15}}) {
    Fixed(line, s, f, 3);
    Fixed(line, s, static_cast<uint8_t>(kControlFcbAcd | kControlFcvDfc | f), 3);
  }
  line.push_back(clIEC101Frame::kSingleChar);
  Noise(line, 4);
  return line;
}

void WriteLines() {
  const std::vector<Sizes> sizes = AllSizes();
  // One type per input, each with another size combination, role and view:
  // 24 types (the last unknown) meet all 24 combinations once.
  for (uint32_t i = 0; i < std::size(kTypes); ++i) {
    const Sizes& s = sizes[i % sizes.size()];
    const Octets line = TypeLine(s, kTypes[i], i);
    const std::string name = "type" + std::to_string(kTypes[i]);
    Octets decode{DecodeSelector(s, i % 3, (i / 3) % 2 != 0)};
    decode.insert(decode.end(), line.begin(), line.end());
    Write("decode_fuzz", name, decode);
    Octets frame{FrameSelector(s)};
    frame.insert(frame.end(), line.begin(), line.end());
    Write("frame_fuzz", name, frame);
  }
  // Link traffic under each role and view, with both link-address sizes.
  for (uint32_t role = 0; role < 3; ++role) {
    for (uint32_t high = 0; high < 2; ++high) {
      const Sizes& s = sizes[(role * 2 + high) * 7 % sizes.size()];
      const Octets line = LinkLine(s);
      Octets decode{DecodeSelector(s, role, high != 0)};
      decode.insert(decode.end(), line.begin(), line.end());
      Write("decode_fuzz", "link" + std::to_string(role) + std::to_string(high), decode);
      if (role == 0) {
        Octets frame{FrameSelector(s)};
        frame.insert(frame.end(), line.begin(), line.end());
        Write("frame_fuzz", "link" + std::to_string(high), frame);
      }
    }
  }
  // An object-address size of 0: every reader must refuse.
  {
    const Octets line = TypeLine({1, 1, 1, 1}, kTypeSinglePoint, 0);
    Octets decode{DecodeSelector({1, 1, 0, 1}, 0, false)};
    decode.insert(decode.end(), line.begin(), line.end());
    Write("decode_fuzz", "ioa0", decode);
  }
}

// ---- Workspaces ----

clDevice* AddSectorsAndTags(clWorkspace& ws, clDevice* device, bool allTypes) {
  auto created = ws.NewSector(*device);
  if (!created.object) Fail(created.error);
  clSector* sector = created.object.get();
  if (const std::string e = ws.CommitSector(*device, std::move(created.object)); !e.empty()) Fail(e);
  const int32_t last = allTypes ? clTag::kClockSync : clTag::kSinglePoint;
  for (int32_t type = clTag::kSinglePoint; type <= last; ++type) {
    auto tag = ws.NewTag(*device);
    if (!tag.object) Fail(tag.error);
    tag.object->SetType(type);
    tag.object->SetIoa(1000 + type);
    tag.object->SetStructuredIoa(type % 2 == 0);
    tag.object->SetScalingEnabled(type % 3 == 0);
    if (const std::string e = ws.CommitTag(*device, *sector, std::move(tag.object)); !e.empty())
      Fail(e);
  }
  return device;
}

// Every device kind, with a tag of every type on master and slave and every
// monitor tag kind.
void EveryTagType(clWorkspace& ws) {
  ws.InitNew();
  AddSectorsAndTags(ws, ws.CommitDevice(ws.NewMaster()), true);
  AddSectorsAndTags(ws, ws.CommitDevice(ws.NewSlave()), true);
  auto* monitor = static_cast<clIEC101CaptureDevice*>(ws.CommitDevice(ws.NewMonitor()));
  for (int32_t type = 1; type <= 13; ++type) ws.CreateMonitorTag(*monitor, 7, type, 200 + type);
}

// Empty names and names long enough for the two-octet length.
void Strings(clWorkspace& ws, bool empty) {
  ws.InitNew();
  const std::string name = empty ? "" : std::string(300, 'L');
  clDevice* master = AddSectorsAndTags(ws, ws.CommitDevice(ws.NewMaster()), false);
  master->SetName(name);
  master->SetPortName(name);
  master->Sectors()->Items().front()->SetName(name);
  master->Sectors()->Items().front()->Tags().Items().front()->SetName(name);
  clDevice* monitor = ws.CommitDevice(ws.NewMonitor());
  monitor->SetName(empty ? "" : "Überwachung");
}

// Values no number in JSON holds: NaN (plain and with a payload) and both
// infinities, which the file keeps bit for bit.
void NonFinite(clWorkspace& ws) {
  ws.InitNew();
  clDevice* slave = AddSectorsAndTags(ws, ws.CommitDevice(ws.NewSlave()), false);
  clTag* tag = slave->Sectors()->Items().front()->Tags().Items().front();
  double payload;
  const uint64_t bits = 0x7FF800000000BEEFull;
  std::memcpy(&payload, &bits, sizeof payload);
  tag->SetRawValue(std::numeric_limits<double>::quiet_NaN());
  tag->SetEngMax(std::numeric_limits<double>::infinity());
  tag->SetEngMin(-std::numeric_limits<double>::infinity());
  tag->SetScaleFactor(payload);
}

// The file with its first 8-bit string (the name given) rewritten as a 16-bit
// string, which older files hold and the reader accepts.
Octets WithWideString(Octets file, const std::string& name) {
  Octets narrow{static_cast<uint8_t>(name.size())};
  narrow.insert(narrow.end(), name.begin(), name.end());
  for (size_t at = 0; at + narrow.size() <= file.size(); ++at) {
    if (!std::equal(narrow.begin(), narrow.end(), file.begin() + static_cast<std::ptrdiff_t>(at)))
      continue;
    Octets wide{0xFF, 0xFE, 0xFF, static_cast<uint8_t>(name.size())};
    for (char c : name) {
      wide.push_back(static_cast<uint8_t>(c));
      wide.push_back(0);
    }
    file.erase(file.begin() + static_cast<std::ptrdiff_t>(at),
               file.begin() + static_cast<std::ptrdiff_t>(at + narrow.size()));
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), wide.begin(), wide.end());
    return file;
  }
  Fail("string not found: " + name);
  return file;
}

void WriteWorkspace(const std::string& name, const clWorkspace& ws) {
  const Octets file = WorkspaceToBytes(ws);
  clWorkspace check;
  if (!LoadWorkspaceBytes(file.data(), file.size(), check, clLoadPurpose::kInspect).empty())
    Fail(name + ": the writer's file does not read");
  Write("workspace_fuzz", name, file);
  const std::string json = WorkspaceToJson(ws);
  Write("json_fuzz", name + ".json", Octets(json.begin(), json.end()));
}

void WriteWorkspaces() {
  {
    clWorkspace ws;
    WriteWorkspace("bare", ws);
    ws.InitNew();
    WriteWorkspace("new", ws);
  }
  {
    clWorkspace ws;
    FillEveryField(ws);
    WriteWorkspace("every_field", ws);
  }
  {
    clWorkspace ws;
    EveryTagType(ws);
    WriteWorkspace("every_tag_type", ws);
    Write("workspace_fuzz", "wide_string", WithWideString(WorkspaceToBytes(ws), "Master1"));
  }
  {
    clWorkspace ws;
    NonFinite(ws);
    WriteWorkspace("non_finite", ws);
  }
  for (bool empty : {true, false}) {
    clWorkspace ws;
    Strings(ws, empty);
    WriteWorkspace(empty ? "empty_strings" : "long_strings", ws);
  }
}

// ---- Clipboard blocks: the kind's index, then the block ----

void WriteClip(const std::string& name, clClipKind kind, const Octets& block) {
  Octets input{static_cast<uint8_t>(kind)};
  input.insert(input.end(), block.begin(), block.end());
  clClipObjects check;
  if (!DecodeClip(kind, block.data(), block.size(), &check).empty())
    Fail(name + ": the encoder's block does not read");
  Write("clipboard_fuzz", name, input);
}

void WriteClips() {
  clWorkspace ws;
  FillEveryField(ws);
  clWorkspace types;
  EveryTagType(types);
  for (const clWorkspace* source : {&ws, &types}) {
    const std::string from = source == &ws ? "every_field_" : "every_tag_type_";
    for (clClipKind kind :
         {clClipKind::kMasterDevices, clClipKind::kSlaveDevices, clClipKind::kMonitorDevices}) {
      std::vector<const clDevice*> devices;
      const int32_t role = ClipDeviceKind(kind);
      for (const clDevice* d : source->Masters().Items()) devices.push_back(d);
      for (const clDevice* d : source->Slaves().Items()) devices.push_back(d);
      for (const clDevice* d : source->Monitors().Items()) devices.push_back(d);
      WriteClip(from + "devices" + std::to_string(role), kind, EncodeClipDevices(kind, devices));
    }
    std::vector<const clSector*> sectors;
    std::vector<const clTag*> tags;
    for (const clDevice* d : source->Masters().Items())
      for (const clSector* s : d->Sectors()->Items()) {
        sectors.push_back(s);
        for (const clTag* t : s->Tags().Items()) tags.push_back(t);
      }
    for (const clDevice* d : source->Monitors().Items())
      for (const clTag* t : d->Tags()->Items()) tags.push_back(t);
    WriteClip(from + "sectors", clClipKind::kSectors, EncodeClipSectors(sectors));
    WriteClip(from + "tags", clClipKind::kTags, EncodeClipTags(tags));
  }
  WriteClip("no_tags", clClipKind::kTags, EncodeClipTags({}));
}

// ---- Workbooks: the xls_fuzz stream form of a workbook ----

void WriteXlsStream(const std::string& name, const std::string& xlsPath) {
  std::ifstream in(xlsPath, std::ios::binary);
  const Octets file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  clCompoundFile compound;
  Octets stream;
  if (!compound.Open(file.data(), file.size()).empty() ||
      !compound.ReadStream("Workbook", file.size(), stream).empty())
    Fail(xlsPath + ": no Workbook stream");
  stream.insert(stream.begin(), 0x01);  // odd: the stream's records
  Write("xls_fuzz", name + "_stream", stream);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc % 2 != 0) {
    std::fprintf(stderr, "usage: make_fuzz_corpus DIR [NAME FILE.xls]...\n");
    return 2;
  }
  gDir = argv[1];
  WriteLines();
  WriteWorkspaces();
  WriteClips();
  for (int i = 2; i + 1 < argc; i += 2) WriteXlsStream(argv[i], argv[i + 1]);
  return 0;
}
