#include "model/workspace_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "model/archive_reader.h"
#include "model/archive_writer.h"
#include "tests/model/workspace_helpers.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> NewWorkspaceBytes() {
  clWorkspace ws;
  ws.InitNew();
  return WorkspaceToBytes(ws);
}

// The bytes a new workspace's file must have, built from the layout by hand.
std::vector<uint8_t> ExpectedNewWorkspaceFile() {
  Bytes f;
  f.U32(1);
  for (int i = 0; i < 8; ++i) f.U32(1);
  f.U32(1).U16(10);
  for (int n = 1; n <= 10; ++n) {
    if (n == 1)
      f.U16(0xFFFF).U16(0).U16(12).Raw("clSerialPort");
    else
      f.U16(0x8001);
    f.U32(1).Str("COM" + std::to_string(n));
    for (uint32_t v : {9600u, 1u, 8u, 1024u, 0u, 100u, 100u, 1000u, 1000u}) f.U32(v);
  }
  for (int list = 0; list < 3; ++list) f.U32(1).U16(0);  // masters, slaves, monitors
  f.U32(1).U16(7);
  const std::vector<std::pair<std::string, std::vector<uint32_t>>> layouts = {
      {"ChannelMaster", {150, 70, 80, 80, 80, 80, 80, 80}},
      {"ChannelSlave", {150, 70, 80, 80, 80, 80, 80, 80}},
      {"ChannelMonitor", {150, 70, 70, 80, 80, 80, 80, 80}},
      {"Sector", {150, 70, 90}},
      {"TagMaster", {170, 180, 60, 90, 70, 90, 135, 80, 150, 70, 70, 70, 70, 70, 70, 80}},
      {"TagSlave", {170, 180, 60, 90, 80, 135}},
      {"DeviceMonitor", {170, 180, 60, 90, 70, 90, 135, 80, 150}},
  };
  bool first = true;
  for (const auto& [kind, widths] : layouts) {
    // Ports took indices 1 (class) and 2..11, so the width class is 12.
    if (first)
      f.U16(0xFFFF).U16(0).U16(13).Raw("clColumnWidth");
    else
      f.U16(0x800C);
    first = false;
    f.U32(1).Str(kind);
    for (size_t c = 0; c < 32; ++c) f.U32(c < widths.size() ? widths[c] : 50);
  }
  return f.b;
}

// An otherwise empty file whose port list is `portList` (version and count included).
std::vector<uint8_t> FileWithPortList(const Bytes& portList) {
  Bytes f;
  f.U32(1);
  for (int i = 0; i < 8; ++i) f.U32(1);
  f.b.insert(f.b.end(), portList.b.begin(), portList.b.end());
  for (int list = 0; list < 4; ++list) f.U32(1).U16(0);
  return f.b;
}

Bytes& PortRecord(Bytes& f) {
  for (uint32_t v : {9600u, 1u, 8u, 1024u, 0u, 100u, 100u, 1000u, 1000u}) f.U32(v);
  return f;
}

std::string Load(const std::vector<uint8_t>& bytes, clWorkspace& ws) {
  return LoadWorkspaceBytes(bytes.data(), bytes.size(), ws);
}

TEST(WorkspaceFile, NewWorkspaceIsWrittenByteForByteAsLaidOut) {
  EXPECT_EQ(Hex(NewWorkspaceBytes()), Hex(ExpectedNewWorkspaceFile()));
}

TEST(WorkspaceFile, NewWorkspaceLoadsBackToTheSameBytes) {
  clWorkspace ws;
  ASSERT_EQ(Load(ExpectedNewWorkspaceFile(), ws), "");
  EXPECT_EQ(ws.Ports().Count(), 10);
  EXPECT_EQ(ws.Ports().At(0)->Id(), 0);
  EXPECT_EQ(ws.ColumnWidths().Width("TagMaster", 15), 80);
  EXPECT_EQ(WorkspaceToBytes(ws), ExpectedNewWorkspaceFile());
}

TEST(WorkspaceFile, StringPrefixesSwitchFormAtTheirLimits) {
  struct Case {
    size_t length;
    std::string prefix;
  } cases[] = {
      {0, "00"},
      {254, "FE"},
      {255, "FF FF 00"},
      {0xFFFD, "FF FD FF"},
      {0xFFFE, "FF FF FF FE FF 00 00"},
      {70000, "FF FF FF 70 11 01 00"},
  };
  for (const Case& c : cases) {
    clArchiveWriter out;
    out.String(std::string(c.length, 'x'));
    const auto& bytes = out.Bytes();
    const size_t prefixBytes = bytes.size() - c.length;
    EXPECT_EQ(Hex({bytes.begin(), bytes.begin() + static_cast<long>(prefixBytes)}), c.prefix)
        << c.length;
    clArchiveReader in(bytes.data(), bytes.size());
    EXPECT_EQ(in.String(), std::string(c.length, 'x')) << c.length;
    EXPECT_EQ(in.Remaining(), 0u);
  }
}

TEST(WorkspaceFile, CountsUseTheLongFormFrom0xFFFF) {
  clArchiveWriter out;
  out.Count(0);
  out.Count(0xFFFE);
  out.Count(0xFFFF);
  EXPECT_EQ(Hex(out.Bytes()), "00 00 FE FF FF FF FF FF 00 00");
}

TEST(WorkspaceFile, TextIsWrittenInTheCodePageAndEveryByteRoundTrips) {
  Bytes list;
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  all.push_back('\0');
  // The name's prefix for 256 characters: 0xFF, u16 256.
  list.U32(1).U16(1).U16(0xFFFF).U16(0).U16(12).Raw("clSerialPort").U32(1).U8(0xFF).U16(256);
  list.Raw(all);
  PortRecord(list);
  const auto file = FileWithPortList(list);
  clWorkspace ws;
  ASSERT_EQ(Load(file, ws), "");
  EXPECT_EQ(ws.Ports().At(0)->Name().substr(0, 3), "\x01\x02\x03");
  EXPECT_EQ(WorkspaceToBytes(ws), file);
}

TEST(WorkspaceFile, SixteenBitStringsLoadAsCodePageText) {
  // "Pö€" plus U+0165, which the code page lacks, then a surrogate pair.
  const std::vector<uint16_t> units = {'P', 0x00F6, 0x20AC, 0x0165, 0xD83D, 0xDE00};
  Bytes list;
  list.U32(1).U16(1).U16(0xFFFF).U16(0).U16(12).Raw("clSerialPort").U32(1);
  list.U8(0xFF).U16(0xFFFE).U8(static_cast<uint8_t>(units.size()));
  for (uint16_t u : units) list.U16(u);
  PortRecord(list);
  clWorkspace ws;
  ASSERT_EQ(Load(FileWithPortList(list), ws), "");
  EXPECT_EQ(ws.Ports().At(0)->Name(), "Pö€??");
  // Saved again, the name takes the 8-bit form.
  const auto again = WorkspaceToBytes(ws);
  EXPECT_NE(Hex(again).find("05 50 F6 80 3F 3F"), std::string::npos);
}

TEST(WorkspaceFile, EveryFieldOfEveryKindSurvivesSaveAndLoad) {
  clWorkspace original;
  FillEveryField(original);
  const auto first = WorkspaceToBytes(original);
  clWorkspace loaded;
  ASSERT_EQ(Load(first, loaded), "");
  EXPECT_EQ(Hex(WorkspaceToBytes(loaded)), Hex(first));

  const clIEC101MasterDevice* master = loaded.Masters().Items()[0];
  EXPECT_EQ(master->Name(), "Dévice Ÿ1");
  EXPECT_EQ(master->TestPeriodSec(), 17);
  EXPECT_EQ(master->PhoneNumber(), "ATDT0049 30 ÄÖÜ");
  ASSERT_NE(master->Port(), nullptr);
  EXPECT_EQ(master->Port()->Name(), "COM3");
  EXPECT_EQ(master->Port()->BaudRate(), 115200);
  const clSector* sector = master->Sectors()->First();
  EXPECT_EQ(sector->Owner(), master);
  const clTag* tag = sector->Tags().Items()[0];
  EXPECT_EQ(tag->Name(), "Täg€10");
  EXPECT_EQ(tag->ReservedA(), -17);
  EXPECT_EQ(tag->ReservedB(), 0x7FFFFFFF - 10);
  EXPECT_EQ(tag->TimeStamp(), (clTimeStamp{2024, 2, 29, 23, 59, 58, 999}));
  EXPECT_EQ(tag->EngMin(), -3e-7);
  const clIEC101CaptureDevice* monitor = loaded.Monitors().Items()[0];
  EXPECT_NE(monitor->Port1(), nullptr);
  EXPECT_EQ(monitor->Port2(), nullptr);  // "nowhere" is not in the port list
  EXPECT_EQ(monitor->Tags()->Items()[0]->Quality(), 0x1F);
  for (int32_t c = 0; c < clWorkspace::kCounterCount; ++c)
    EXPECT_EQ(loaded.CounterValue(static_cast<clWorkspace::Counter>(c)), 10 * c + 3);
}

TEST(WorkspaceFile, LoadingMarksMasterTagsUncertainButNotSlaveOrMonitorTags) {
  clWorkspace ws;
  FillEveryField(ws);
  for (auto* m : ws.Masters().Items())
    for (auto* s : m->Sectors()->Items())
      for (auto* t : s->Tags().Items()) t->SetQuality(0);
  for (auto* s : ws.Slaves().Items()[0]->Sectors()->Items())
    for (auto* t : s->Tags().Items()) t->SetQuality(0);
  clWorkspace loaded;
  ASSERT_EQ(Load(WorkspaceToBytes(ws), loaded), "");
  const clTag* masterTag = (loaded.Masters().Items()[0]->Sectors()->First()->Tags().Items())[0];
  const clTag* slaveTag = (loaded.Slaves().Items()[0]->Sectors()->First()->Tags().Items())[0];
  EXPECT_EQ(masterTag->Quality(), 0x100);
  EXPECT_EQ(slaveTag->Quality(), 0);
}

// A master record of the first version, which has no test-function period.
TEST(WorkspaceFile, VersionOneMasterLoadsWithTestPeriodFive) {
  Bytes f;
  f.U32(1);
  for (int i = 0; i < 8; ++i) f.U32(1);
  f.U32(1).U16(0);  // no ports
  f.U32(1).U16(1).U16(0xFFFF).U16(0).U16(20).Raw("clIEC101MasterDevice");
  f.U32(1).U32(4).Str("Old").U32(3).U32(1).U32(2).U32(2).U32(1);
  f.U8(0).U32(3).U32(2).U32(60).U32(0);
  f.Str("COM1").U8(1).U32(1);
  f.U32(1000).U32(1000).U8(0).Str("ATD000000").U32(30);
  f.U32(1).U16(0);  // sectors
  for (int list = 0; list < 3; ++list) f.U32(1).U16(0);
  clWorkspace ws;
  ASSERT_EQ(Load(f.b, ws), "");
  const clIEC101MasterDevice* master = ws.Masters().FindByName("old");
  ASSERT_NE(master, nullptr);
  EXPECT_EQ(master->TestPeriodSec(), 5);
  EXPECT_EQ(master->Id(), 4);
  EXPECT_TRUE(master->AutoCreateTags());
  EXPECT_EQ(master->Port(), nullptr);  // no port list: no port
}

TEST(WorkspaceFile, EmptyListIsVersionAndZeroCount) {
  clWorkspace ws;  // no ports, no widths
  EXPECT_EQ(Hex(WorkspaceToBytes(ws)),
            "01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 00 "
            "01 00 00 00 01 00 00 00 01 00 00 00 00 00 01 00 00 00 00 00 01 00 00 00 00 00 "
            "01 00 00 00 00 00 01 00 00 00 00 00");
}

TEST(WorkspaceFile, ClassIndicesBeyond0x7FFEUseTheLongReferenceTag) {
  clWorkspace ws;
  for (int i = 0; i < 33000; ++i) ws.Ports().Add(std::make_unique<clSerialPort>());
  ws.ColumnWidths().AddDefaults();
  const auto bytes = WorkspaceToBytes(ws);
  // Ports: class 1, objects 2..33001; the width class takes 33002 = 0x80EA.
  const std::string tag = "\xFF\x7F\xEA\x80\x00\x80";
  EXPECT_NE(std::string(bytes.begin(), bytes.end()).find(tag), std::string::npos);
  clWorkspace loaded;
  ASSERT_EQ(Load(bytes, loaded), "");
  EXPECT_EQ(loaded.Ports().Count(), 33000);
  EXPECT_EQ(loaded.ColumnWidths().Count(), 7u);
}

TEST(WorkspaceFile, BackReferencedObjectsLoadAsCopies) {
  Bytes list;
  list.U32(1).U16(3);
  list.U16(0xFFFF).U16(0).U16(12).Raw("clSerialPort").U32(1).Str("COM5");
  PortRecord(list);
  list.U16(0x0002);  // the object with index 2: the first port
  list.U16(0x0000);  // a missing element is skipped
  clWorkspace ws;
  ASSERT_EQ(Load(FileWithPortList(list), ws), "");
  ASSERT_EQ(ws.Ports().Count(), 2);
  EXPECT_EQ(ws.Ports().At(1)->Name(), "COM5");
  EXPECT_NE(ws.Ports().At(0), ws.Ports().At(1));
}

// A file of one slave (no ports) with one sector of `tags` tags, whose slave list
// then repeats the slave `repeats` times by back-reference (object index 2).
std::vector<uint8_t> SlaveRepeatedByReference(int tags, int repeats) {
  clWorkspace ws;
  auto slave = std::make_unique<clIEC101SlaveDevice>();
  auto sector = std::make_unique<clSector>();
  for (int i = 0; i < tags; ++i) sector->Tags().Append(std::make_unique<clTag>());
  slave->Sectors()->Append(std::move(sector));
  ws.Slaves().Append(std::move(slave));
  auto bytes = WorkspaceToBytes(ws);
  // Header 36 bytes, empty port and master lists 6 each, then the slave list's
  // version and count; the monitor and width lists (12 bytes) close the file.
  const size_t countAt = 36 + 6 + 6 + 4;
  const uint32_t count = 1 + static_cast<uint32_t>(repeats);
  std::vector<uint8_t> references;
  for (int i = 0; i < repeats; ++i) references.insert(references.end(), {0x02, 0x00});
  bytes.insert(bytes.end() - 12, references.begin(), references.end());
  if (count < 0xFFFF) {
    bytes[countAt] = static_cast<uint8_t>(count);
    bytes[countAt + 1] = static_cast<uint8_t>(count >> 8);
  } else {
    const uint8_t longCount[] = {0xFF,
                                 0xFF,
                                 static_cast<uint8_t>(count),
                                 static_cast<uint8_t>(count >> 8),
                                 static_cast<uint8_t>(count >> 16),
                                 0};
    bytes.erase(bytes.begin() + countAt, bytes.begin() + countAt + 2);
    bytes.insert(bytes.begin() + countAt, longCount, longCount + 6);
  }
  return bytes;
}

TEST(WorkspaceFile, BackReferencedDeviceLoadsAsADeepCopy) {
  clWorkspace ws;
  ASSERT_EQ(Load(SlaveRepeatedByReference(3, 1), ws), "");
  ASSERT_EQ(ws.Slaves().Count(), 2u);
  const clIEC101SlaveDevice* first = ws.Slaves().Items()[0];
  const clIEC101SlaveDevice* copy = ws.Slaves().Items()[1];
  ASSERT_EQ(copy->Sectors()->Count(), 1u);
  EXPECT_NE(copy->Sectors()->First(), first->Sectors()->First());
  EXPECT_EQ(copy->Sectors()->First()->Owner(), copy);
  EXPECT_EQ(copy->Sectors()->First()->Tags().Count(), 3u);
}

TEST(WorkspaceFile, BackReferencesCannotMultiplyAFileBeyondItsSize) {
  // 100,000 two-byte references to a device of 200 tags would make 20 million tags.
  clWorkspace ws;
  ws.InitNew();
  EXPECT_EQ(Load(SlaveRepeatedByReference(200, 100000), ws), kUnexpectedFileFormat);
  EXPECT_EQ(ws.Slaves().Count(), 0u);
  EXPECT_EQ(ws.Ports().Count(), 10);
  // The same layout with a few references is an ordinary file.
  EXPECT_EQ(Load(SlaveRepeatedByReference(200, 10), ws), "");
  EXPECT_EQ(ws.Slaves().Count(), 11u);
}

TEST(WorkspaceFile, InconsistentTagsAreUnexpectedFormat) {
  const auto port = [] {
    Bytes b;
    b.U32(1).Str("COM1");
    return PortRecord(b);
  };
  struct Case {
    const char* why;
    Bytes list;
  } cases[] = {
      {"unknown class name", Bytes().U32(1).U16(1).U16(0xFFFF).U16(0).U16(5).Raw("clFoo")},
      {"class of another list", Bytes().U32(1).U16(1).U16(0xFFFF).U16(0).U16(8).Raw("clSector")},
      {"class index not yet defined", Bytes().U32(1).U16(1).U16(0x8001)},
      {"object index not yet defined", Bytes().U32(1).U16(1).U16(0x0005)},
      {"back-reference to a class", Bytes().U32(1).U16(1).U16(0x0001)},
      {"long tag to nothing", Bytes().U32(1).U16(1).U16(0x7FFF).U32(0x80001234)},
      {"count beyond the file", Bytes().U32(1).U16(0xFFFF).U32(0x7FFFFFFF)},
      {"string beyond the file", Bytes()
                                     .U32(1)
                                     .U16(1)
                                     .U16(0xFFFF)
                                     .U16(0)
                                     .U16(12)
                                     .Raw("clSerialPort")
                                     .U32(1)
                                     .U8(0xFF)
                                     .U16(0xFFFF)
                                     .U32(0xFFFFFFF0)},
  };
  for (auto& c : cases) {
    clWorkspace ws;
    ws.InitNew();
    const auto before = WorkspaceToBytes(ws);
    EXPECT_EQ(Load(FileWithPortList(c.list), ws), kUnexpectedFileFormat) << c.why;
    EXPECT_EQ(WorkspaceToBytes(ws), before) << c.why;
  }
  // A well-formed port list of the same shape does load.
  Bytes good;
  good.U32(1).U16(1).U16(0xFFFF).U16(0).U16(12).Raw("clSerialPort");
  const Bytes record = port();
  good.b.insert(good.b.end(), record.b.begin(), record.b.end());
  clWorkspace ws;
  EXPECT_EQ(Load(FileWithPortList(good), ws), "");
}

TEST(WorkspaceFile, EveryTruncationIsUnexpectedFormatAndKeepsTheWorkspace) {
  clWorkspace source;
  FillEveryField(source);
  const auto file = WorkspaceToBytes(source);
  clWorkspace current;
  current.InitNew();
  current.CommitDevice(current.NewMaster());
  const auto before = WorkspaceToBytes(current);
  for (size_t length = 0; length < file.size(); ++length) {
    ASSERT_EQ(LoadWorkspaceBytes(file.data(), length, current), kUnexpectedFileFormat) << length;
  }
  EXPECT_EQ(WorkspaceToBytes(current), before);
}

class WorkspaceFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "telvane-model-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  size_t Entries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
  fs::path dir_;
};

TEST_F(WorkspaceFileOnDisk, SaveReplacesTheFileAndLeavesNoTemporary) {
  const std::string path = (dir_ / "plant.cf1").string();
  std::ofstream(path) << "old contents";
  clWorkspace ws;
  FillEveryField(ws);
  ASSERT_EQ(SaveWorkspaceFile(ws, path), "");
  EXPECT_EQ(Entries(), 1u);
  clWorkspace loaded;
  ASSERT_EQ(LoadWorkspaceFile(path, loaded), "");
  EXPECT_EQ(WorkspaceToBytes(loaded), WorkspaceToBytes(ws));
}

TEST_F(WorkspaceFileOnDisk, SaveKeepsPermissionsAndWritesThroughSymbolicLinks) {
  const fs::path real = dir_ / "real.cf1";
  const fs::path link = dir_ / "link.cf1";
  std::ofstream(real) << "old";
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(real, link);
  clWorkspace ws;
  ws.InitNew();
  ASSERT_EQ(SaveWorkspaceFile(ws, link.string()), "");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::file_size(real), WorkspaceToBytes(ws).size());
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Entries(), 2u);
}

TEST_F(WorkspaceFileOnDisk, FailedSaveReportsAndKeepsWhatWasThere) {
  const fs::path target = dir_ / "taken.cf1";
  fs::create_directory(target);  // a directory cannot be replaced by a file
  std::ofstream(target / "inside") << "keep";
  clWorkspace ws;
  ws.InitNew();
  EXPECT_EQ(SaveWorkspaceFile(ws, target.string()), kFailedToSaveDocument);
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_TRUE(fs::exists(target / "inside"));
  EXPECT_EQ(Entries(), 1u);
  EXPECT_EQ(SaveWorkspaceFile(ws, (dir_ / "missing" / "x.cf1").string()), kFailedToSaveDocument);
}

TEST_F(WorkspaceFileOnDisk, MissingFileIsFailedToOpen) {
  clWorkspace ws;
  ws.InitNew();
  EXPECT_EQ(LoadWorkspaceFile((dir_ / "absent.cf1").string(), ws), kFailedToOpenDocument);
  EXPECT_EQ(LoadWorkspaceFile(dir_.string(), ws), kFailedToOpenDocument);
  EXPECT_EQ(ws.Ports().Count(), 10);
}

}  // namespace
