#include "tests/workbook/workbook_test_helpers.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <bit>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "workbook/workbook_reader.h"

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr size_t kSector = 512;
constexpr size_t kMiniBlock = 64;
constexpr size_t kMiniCutoff = 4096;

size_t Blocks(size_t size, size_t block) { return (size + block - 1) / block; }

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

Le& Le::U8(uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  return *this;
}
Le& Le::U16(uint32_t v) { return U8(v).U8(v >> 8); }
Le& Le::U32(uint32_t v) { return U16(v).U16(v >> 16); }
Le& Le::F64(double v) {
  const uint64_t bits = std::bit_cast<uint64_t>(v);
  return U32(static_cast<uint32_t>(bits)).U32(static_cast<uint32_t>(bits >> 32));
}
Le& Le::Raw(const std::string& bytes) {
  b.insert(b.end(), bytes.begin(), bytes.end());
  return *this;
}
Le& Le::Add(const std::vector<uint8_t>& bytes) {
  b.insert(b.end(), bytes.begin(), bytes.end());
  return *this;
}
Le& Le::Str8(const std::string& latin1) {
  return U16(static_cast<uint32_t>(latin1.size())).U8(0).Raw(latin1);
}

std::vector<uint8_t> Biff::Record(uint16_t type, const std::vector<uint8_t>& data) {
  return Le().U16(type).U16(static_cast<uint32_t>(data.size())).Add(data).b;
}

std::vector<uint8_t> Biff::Stream() const {
  const auto bof = [](uint32_t substream) {
    return Record(0x0809, Le().U16(0x0600).U16(substream).U16(0).U16(0).U32(0).U32(0).b);
  };
  const auto build = [&](uint32_t sheetOffset) {
    Le out;
    out.Add(bof(0x0005)).Add(globals.b);
    if (chartFirst) out.Add(Record(0x0085, Le().U32(0).U8(0).U8(2).U8(5).U8(0).Raw("Chart").b));
    out.Add(Record(0x0085, Le().U32(sheetOffset).U8(0).U8(0).U8(4).U8(0).Raw("Tags").b));
    out.Add(Record(0x000A, {}));
    return out.b;
  };
  std::vector<uint8_t> stream = build(static_cast<uint32_t>(build(0).size()));
  Le sheetStream;
  sheetStream.Add(bof(0x0010)).Add(sheet.b).Add(Record(0x000A, {}));
  stream.insert(stream.end(), sheetStream.b.begin(), sheetStream.b.end());
  return stream;
}

std::vector<uint8_t> ZipBytes(const Entries& entries, const std::string& encrypted) {
  const std::string path =
      ::testing::TempDir() + "telvane_zip_" + std::to_string(::getpid()) + ".zip";
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  EXPECT_NE(archive, nullptr);
  if (!archive) return {};
  for (const auto& [name, content] : entries) {
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    EXPECT_GE(index, 0) << name;
    if (name == encrypted) {
      EXPECT_EQ(zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index), ZIP_EM_AES_256,
                                        "secret"),
                0);
    }
  }
  EXPECT_EQ(zip_close(archive), 0);
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
  std::remove(path.c_str());
  return bytes;
}

std::vector<uint8_t> CompoundFileBytes(const Streams& streams) {
  // The small streams, each in whole 64-byte blocks, make the small-block stream.
  std::vector<uint8_t> mini;
  std::vector<uint32_t> miniFat;
  std::vector<uint32_t> starts(streams.size(), kEndOfChain);
  for (size_t i = 0; i < streams.size(); ++i) {
    const auto& data = streams[i].second;
    if (data.size() >= kMiniCutoff || data.empty()) continue;
    starts[i] = static_cast<uint32_t>(mini.size() / kMiniBlock);
    const size_t blocks = Blocks(data.size(), kMiniBlock);
    for (size_t k = 0; k < blocks; ++k)
      miniFat.push_back(k + 1 < blocks ? starts[i] + static_cast<uint32_t>(k) + 1 : kEndOfChain);
    mini.insert(mini.end(), data.begin(), data.end());
    mini.resize(Blocks(mini.size(), kMiniBlock) * kMiniBlock, 0);
  }
  // Sector runs, in file order: allocation table, directory, small-block table,
  // small-block stream, then each large stream.
  const size_t dirSectors = Blocks((streams.size() + 1) * 128, kSector);
  const size_t miniFatSectors = Blocks(miniFat.size() * 4, kSector);
  const size_t miniSectors = Blocks(mini.size(), kSector);
  size_t dataSectors = dirSectors + miniFatSectors + miniSectors;
  for (const auto& stream : streams)
    if (stream.second.size() >= kMiniCutoff) dataSectors += Blocks(stream.second.size(), kSector);
  size_t fatSectors = 1;
  while (fatSectors * (kSector / 4) < fatSectors + dataSectors) ++fatSectors;
  std::vector<uint32_t> fat(fatSectors * (kSector / 4), kFree);
  for (size_t s = 0; s < fatSectors; ++s) fat[s] = kFatSector;
  uint32_t next = static_cast<uint32_t>(fatSectors);
  const auto run = [&](size_t count) {
    if (count == 0) return kEndOfChain;
    const uint32_t first = next;
    for (size_t k = 0; k < count; ++k, ++next) fat[next] = k + 1 < count ? next + 1 : kEndOfChain;
    return first;
  };
  const uint32_t dirStart = run(dirSectors);
  const uint32_t miniFatStart = run(miniFatSectors);
  const uint32_t miniStart = run(miniSectors);
  for (size_t i = 0; i < streams.size(); ++i)
    if (streams[i].second.size() >= kMiniCutoff)
      starts[i] = run(Blocks(streams[i].second.size(), kSector));

  std::vector<uint8_t> file(kSector * (1 + fatSectors + dataSectors), 0);
  const auto sector = [&](uint32_t s) { return kSector * (s + 1); };
  const uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::copy(signature, signature + 8, file.begin());
  Le header;
  header.U16(0x3E).U16(3).U16(0xFFFE).U16(9).U16(6).U16(0).U32(0).U32(0);
  header.U32(static_cast<uint32_t>(fatSectors)).U32(dirStart).U32(0).U32(kMiniCutoff);
  header.U32(miniFatStart).U32(static_cast<uint32_t>(miniFatSectors)).U32(kEndOfChain).U32(0);
  std::copy(header.b.begin(), header.b.end(), file.begin() + 0x18);
  for (size_t i = 0; i < 109; ++i)
    Put32(file, 0x4C + 4 * i, i < fatSectors ? static_cast<uint32_t>(i) : kFree);
  for (size_t i = 0; i < fat.size(); ++i) Put32(file, sector(0) + 4 * i, fat[i]);
  // Directory: the root entry (owning the small-block stream), then the streams
  // as its children, chained through their right siblings.
  const auto entry = [&](size_t index, const std::string& name, uint8_t type, uint32_t child,
                         uint32_t right, uint32_t start, uint32_t size) {
    const size_t at = sector(dirStart) + 128 * index;
    for (size_t k = 0; k < name.size(); ++k) file[at + 2 * k] = static_cast<uint8_t>(name[k]);
    file[at + 64] = static_cast<uint8_t>(2 * (name.size() + 1));
    file[at + 66] = type;
    file[at + 67] = 1;  // black
    Put32(file, at + 68, kFree);
    Put32(file, at + 72, right);
    Put32(file, at + 76, child);
    Put32(file, at + 116, start);
    Put32(file, at + 120, size);
  };
  entry(0, "Root Entry", 5, streams.empty() ? kFree : 1, kFree, miniStart,
        static_cast<uint32_t>(mini.size()));
  for (size_t i = 0; i < streams.size(); ++i)
    entry(i + 1, streams[i].first, 2, kFree, i + 1 < streams.size() ? i + 2 : kFree, starts[i],
          static_cast<uint32_t>(streams[i].second.size()));
  for (size_t i = 0; i < miniFat.size(); ++i) Put32(file, sector(miniFatStart) + 4 * i, miniFat[i]);
  std::copy(mini.begin(), mini.end(), file.begin() + sector(miniStart));
  for (size_t i = 0; i < streams.size(); ++i)
    if (streams[i].second.size() >= kMiniCutoff)
      std::copy(streams[i].second.begin(), streams[i].second.end(),
                file.begin() + sector(starts[i]));
  return file;
}

Read ReadBytes(const std::vector<uint8_t>& bytes) {
  Read read;
  read.error = ReadWorkbookBytes(bytes.data(), bytes.size(), read.cells);
  return read;
}

Read ReadText(const std::string& text) {
  return ReadBytes(std::vector<uint8_t>(text.begin(), text.end()));
}

Entries XlsxEntries(const std::string& sheetData, const std::string& sharedStrings,
                    const std::string& styles, const std::string& workbookPr) {
  const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  Entries entries = {
      {"[Content_Types].xml", "<Types/>"},
      {"_rels/.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"" +
           rel +
           "/officeDocument\" "
           "Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml", "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel + "\">" + workbookPr +
                              "<sheets><sheet name=\"Tags\" sheetId=\"1\" "
                              "r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"" +
           rel +
           "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
           "<Relationship Id=\"rId2\" Type=\"" +
           rel +
           "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
           "<Relationship Id=\"rId3\" Type=\"" +
           rel +
           "/styles\" Target=\"/xl/styles.xml\"/>"
           "</Relationships>"},
      {"xl/worksheets/sheet1.xml",
       "<worksheet xmlns=\"" + main + "\"><sheetData>" + sheetData + "</sheetData></worksheet>"}};
  if (!sharedStrings.empty())
    entries.push_back(
        {"xl/sharedStrings.xml", "<sst xmlns=\"" + main + "\">" + sharedStrings + "</sst>"});
  if (!styles.empty())
    entries.push_back(
        {"xl/styles.xml", "<styleSheet xmlns=\"" + main + "\">" + styles + "</styleSheet>"});
  return entries;
}

Entries OdsEntries(const std::string& rows) {
  return {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
          {"content.xml",
           "<office:document-content "
           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
           "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\">"
           "<office:body><office:spreadsheet><table:table table:name=\"Tags\">" +
               rows +
               "</table:table><table:table table:name=\"Other\"><table:table-row><table:table-cell "
               "office:value-type=\"string\"><text:p>second sheet</text:p></table:table-cell>"
               "</table:table-row></table:table></office:spreadsheet></office:body>"
               "</office:document-content>"}};
}

std::string TestDataPath(const std::string& name) {
  return std::string(TELVANE_SOURCE_DIR) + "/tests/workbook/data/" + name;
}
