// The workbook reader: the same cells from every format, each kind of cell as
// its text, and damaged or crafted files refused with one message.
#include "workbook/workbook_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/workbook/workbook_test_helpers.h"

namespace {

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), {});
}

std::string Cell(const Read& read, int row, int column) {
  return std::string(read.cells.Text(row, column));
}

TEST(WorkbookReader, TemplateGivesTheSameCellsInEveryFormat) {
  clSheetCells reference(40, 20);
  ASSERT_EQ(ReadWorkbookFile(TestDataPath("tag_template.xlsx"), reference), "");
  EXPECT_EQ(reference.Text(6, 2), "Breaker1");
  EXPECT_EQ(reference.Text(8, 1), "2");          // a number stored as text stays text
  EXPECT_EQ(reference.Text(11, 1), "3.000");     // a number reads "%.3f"
  EXPECT_EQ(reference.Text(12, 2), "1001.000");  // text stored as a number reads as one
  EXPECT_EQ(reference.Text(24, 2), "2024-03-01 12:30:15");
  EXPECT_EQ(reference.Text(25, 2), "");  // a date before 1901
  EXPECT_EQ(reference.Text(26, 2), "padded name");
  EXPECT_EQ(reference.Text(33, 2), "NeverRead");  // the reader delivers every cell
  for (const char* name : {"tag_template.xls", "tag_template.ods", "tag_template.csv"}) {
    clSheetCells cells(40, 20);
    ASSERT_EQ(ReadWorkbookFile(TestDataPath(name), cells), "");
    EXPECT_EQ(cells.Count(), reference.Count()) << name;
    for (int row = 1; row <= 40; ++row) {
      for (int column = 1; column <= 20; ++column)
        EXPECT_EQ(cells.Text(row, column), reference.Text(row, column))
            << name << " row " << row << " column " << column;
    }
  }
}

TEST(WorkbookReader, XlsxCellsOfEveryKind) {
  const std::string sheet =
      "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c>"
      "<c r=\"B1\" t=\"inlineStr\"><is><t>  inline  </t></is></c>"
      "<c r=\"C1\" t=\"b\"><v>1</v></c><c r=\"D1\" t=\"e\"><v>#DIV/0!</v></c>"
      "<c r=\"E1\" t=\"str\"><f>A1</f><v>formula text</v></c><c r=\"F1\"><v>2.5</v></c>"
      "<c r=\"G1\" s=\"1\"><v>45352.5</v></c><c r=\"H1\" s=\"2\"><v>45352.25</v></c>"
      "<c r=\"I1\" t=\"d\"><v>2024-03-01T06:00:00Z</v></c><c r=\"J1\"><f>1+1</f></c>"
      "<c r=\"K1\" s=\"1\"><v>366</v></c><c r=\"L1\" s=\"1\"><v>-1</v></c>"
      "<c r=\"M1\" s=\"3\"><v>0.5</v></c></row>"
      // No references: the position follows the previous row and cell.
      "<row><c><v>7</v></c><c t=\"s\"><v>0</v></c></row>"
      "<row r=\"3\"><c r=\"XFD1048576\"><v>1</v></c><c r=\"ZZZZZZZZ99999999999999\"><v>2</v></c>"
      "</row><row r=\"60\"><c r=\"A60\"><v>3</v></c></row>";
  const std::string strings =
      "<si><r><t>Rich </t></r><r><t>text</t></r><rPh><t>PHONETIC</t></rPh></si>"
      "<si><t>Tab_x0009_stop_x005F_x0041_</t></si><si><t>never used</t></si>";
  const std::string styles =
      "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\\ hh:mm\"/>"
      "<numFmt numFmtId=\"165\" formatCode=\"#,##0.00 &quot;m&quot;;[Red]-0\"/></numFmts>"
      "<cellXfs count=\"4\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"14\"/>"
      "<xf numFmtId=\"165\"/></cellXfs>";
  const Read read = ReadBytes(ZipBytes(XlsxEntries(sheet, strings, styles)));
  ASSERT_EQ(read.error, "");
  const std::vector<std::pair<std::string, std::string>> expected = {{"A1", "Tab\tstop_x0041_"},
                                                                     {"B1", "inline"},
                                                                     {"C1", "unknown:11"},
                                                                     {"D1", "unknown:10"},
                                                                     {"E1", "formula text"},
                                                                     {"F1", "2.500"},
                                                                     {"G1", "2024-03-01 12:00:00"},
                                                                     {"H1", "2024-03-01 06:00:00"},
                                                                     {"I1", "2024-03-01 06:00:00"},
                                                                     {"J1", ""},
                                                                     {"K1", ""},
                                                                     {"L1", "-1.000"},
                                                                     {"M1", "0.500"},
                                                                     {"A2", "7.000"},
                                                                     {"B2", "Rich text"}};
  for (const auto& [ref, text] : expected) {
    const int column = ref[0] - 'A' + 1, row = std::stoi(ref.substr(1));
    EXPECT_EQ(Cell(read, row, column), text) << ref;
  }
  EXPECT_EQ(read.cells.Count(), 13u);  // nothing from row 3 or row 60 (outside the window)

  // The same serial in a workbook of the 1904 date system.
  const Read read1904 =
      ReadBytes(ZipBytes(XlsxEntries("<row r=\"1\"><c r=\"A1\" s=\"2\"><v>0</v></c></row>", "",
                                     styles, "<workbookPr date1904=\"1\"/>")));
  EXPECT_EQ(Cell(read1904, 1, 1), "1904-01-01 00:00:00");
}

TEST(WorkbookReader, OdsCellsRepeatsAndNotes) {
  const std::string rows =
      "<table:table-column table:number-columns-repeated=\"16384\"/>"
      "<table:table-header-rows><table:table-row><table:table-cell office:value-type=\"string\">"
      "<text:p>Title</text:p></table:table-cell></table:table-row></table:table-header-rows>"
      "<table:table-row>"
      "<table:table-cell office:value-type=\"float\" office:value=\"3\"><text:p>3</text:p>"
      "</table:table-cell>"
      "<table:table-cell office:value-type=\"string\"><text:p><text:s text:c=\"2\"/>two<text:s/>"
      "words<text:tab/>x</text:p><text:p>second</text:p><office:annotation><text:p>a note"
      "</text:p></office:annotation></table:table-cell>"
      "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-03-01T12:30:15.6\"/>"
      "<table:table-cell office:value-type=\"time\" office:time-value=\"PT12H\"/>"
      "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"/>"
      "<table:table-cell office:value-type=\"string\" office:string-value=\"from attribute\">"
      "<text:p>shown</text:p></table:table-cell>"
      "<table:table-cell table:formula=\"of:=1/0\" office:value-type=\"string\" "
      "office:string-value=\"\" calcext:value-type=\"error\"><text:p>Err:532</text:p>"
      "</table:table-cell>"
      "<table:table-cell office:value-type=\"percentage\" office:value=\"0.5\"/>"
      "<table:covered-table-cell/>"
      "<table:table-cell table:number-columns-repeated=\"3\" office:value-type=\"float\" "
      "office:value=\"1.5\"/></table:table-row>"
      "<table:table-row table:number-rows-repeated=\"3\"><table:table-cell "
      "table:number-columns-repeated=\"99999\" office:value-type=\"string\"><text:p>rep</text:p>"
      "</table:table-cell></table:table-row>"
      "<table:table-row table:number-rows-repeated=\"1048000\"><table:table-cell "
      "table:number-columns-repeated=\"16384\"/></table:table-row>"
      "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>far below"
      "</text:p></table:table-cell></table:table-row>";
  const Read read = ReadBytes(ZipBytes(OdsEntries(rows)));
  ASSERT_EQ(read.error, "");
  const std::vector<std::string> row2 = {"3.000",
                                         "two words\tx\nsecond",
                                         "2024-03-01 12:30:16",
                                         "",
                                         "unknown:11",
                                         "from attribute",
                                         "unknown:10",
                                         "0.500",
                                         "",
                                         "1.500",
                                         "1.500",
                                         "1.500",
                                         ""};
  EXPECT_EQ(Cell(read, 1, 1), "Title");
  for (size_t c = 0; c < row2.size(); ++c) EXPECT_EQ(Cell(read, 2, c + 1), row2[c]) << c + 1;
  for (int row = 3; row <= 5; ++row) {
    EXPECT_EQ(Cell(read, row, 1), "rep");
    EXPECT_EQ(Cell(read, row, 20), "rep");  // repeated to the window's edge, no further
  }
  EXPECT_EQ(read.cells.Count(), 1u + 10u + 3u * 20u);
}

// A BIFF8 workbook with cells of every record kind, shared strings split over a
// CONTINUE record, and an embedded chart inside the sheet.
Biff EveryKindBiff() {
  Biff biff;
  biff.globals.Add(Biff::Record(0x0022, Le().U16(0).b));  // 1900 date system
  biff.globals.Add(Biff::Record(0x041E, Le().U16(164).Str8("yyyy-mm-dd hh:mm").b));
  for (uint32_t format : {0u, 164u, 14u})
    biff.globals.Add(Biff::Record(0x00E0, Le().U16(0).U16(format).Raw(std::string(16, '\0')).b));
  // "Grüße €uro": three one-byte characters, the rest in two-byte units after the
  // record boundary, which repeats the option byte.
  Le sst;
  sst.U32(4).U32(4).Str8("Plain");
  sst.U16(4).U8(0x08).U16(1).Raw("Rich").U32(0);  // one formatting run
  sst.U16(10).U8(0).Raw("Gr\xFC");
  Le rest;
  rest.U8(1);
  for (char16_t unit : std::u16string(u"\u00DFe \u20ACuro")) rest.U16(unit);
  rest.U16(3).U8(0x04).U32(6).Raw("Ext").Raw("phonet");  // phonetic block skipped
  biff.globals.Add(Biff::Record(0x00FC, sst.b)).Add(Biff::Record(0x003C, rest.b));

  Le& s = biff.sheet;
  const auto labelSst = [&](int row, int col, uint32_t index) {
    s.Add(Biff::Record(0x00FD, Le().U16(row).U16(col).U16(0).U32(index).b));
  };
  const auto number = [&](int row, int col, int xf, double v) {
    s.Add(Biff::Record(0x0203, Le().U16(row).U16(col).U16(xf).F64(v).b));
  };
  const auto formula = [&](int row, int col, const std::vector<uint8_t>& result) {
    s.Add(Biff::Record(0x0006, Le().U16(row).U16(col).U16(0).Add(result).U16(0).U32(0).U16(0).b));
  };
  labelSst(0, 0, 0);
  labelSst(0, 1, 2);
  labelSst(0, 2, 1);
  labelSst(0, 3, 3);
  s.Add(Biff::Record(0x0204, Le().U16(1).U16(0).U16(0).Str8("  Label  ").b));
  number(1, 1, 0, 2.25);
  s.Add(Biff::Record(0x027E, Le().U16(1).U16(2).U16(0).U32(12u << 2 | 2).b));   // integer
  s.Add(Biff::Record(0x027E, Le().U16(1).U16(3).U16(0).U32(123u << 2 | 3).b));  // 123 / 100
  s.Add(Biff::Record(
      0x00BD, Le().U16(2).U16(0).U16(0).U32(5u << 2 | 2).U16(2).U32(45352u << 2 | 2).U16(1).b));
  number(2, 2, 1, 45352.5);
  s.Add(Biff::Record(0x0205, Le().U16(3).U16(0).U16(0).U8(1).U8(0).b));  // TRUE
  s.Add(Biff::Record(0x0205, Le().U16(3).U16(1).U16(0).U8(7).U8(1).b));  // #DIV/0!
  formula(3, 2, Le().F64(42).b);
  formula(3, 3, {0, 0, 0, 0, 0, 0, 0xFF, 0xFF});
  s.Add(Biff::Record(0x04BC, Le().U32(0).U32(0).b));  // a shared formula before its text
  s.Add(Biff::Record(0x0207, Le().Str8("formula text").b));
  formula(3, 4, {1, 0, 1, 0, 0, 0, 0xFF, 0xFF});
  formula(3, 5, {2, 0, 7, 0, 0, 0, 0xFF, 0xFF});
  formula(3, 6, {3, 0, 0, 0, 0, 0, 0xFF, 0xFF});
  number(59999, 199, 0, 1);  // outside the window
  s.Add(Biff::Record(0x0809, Le().U16(0x0600).U16(0x0020).U32(0).U32(0).U32(0).b));
  number(5, 0, 0, 99);  // inside the chart: not a cell of the sheet
  s.Add(Biff::Record(0x000A, {}));
  number(6, 0, 0, 8);
  return biff;
}

TEST(WorkbookReader, XlsCellsOfEveryRecordKind) {
  const std::vector<std::vector<std::string>> expected = {
      {"Plain", "Gr\u00FC\u00DFe \u20ACuro", "Rich", "Ext"},
      {"Label", "2.250", "12.000", "1.230"},
      {"5.000", "2024-03-01 00:00:00", "2024-03-01 12:00:00"},
      {"unknown:11", "unknown:10", "42.000", "formula text", "unknown:11", "unknown:10", ""},
      {},
      {""},
      {"8.000"}};
  Biff biff = EveryKindBiff();
  for (bool chartFirst : {false, true}) {
    biff.chartFirst = chartFirst;
    std::vector<uint8_t> stream = biff.Stream();
    // Small streams live in the small-block stream, large ones in sectors.
    for (size_t size : {stream.size(), size_t{5000}}) {
      stream.resize(std::max(stream.size(), size), 0);
      const Read read = ReadBytes(CompoundFileBytes({{"Workbook", stream}}));
      ASSERT_EQ(read.error, "") << size;
      size_t count = 0;
      for (size_t r = 0; r < expected.size(); ++r) {
        for (size_t c = 0; c < expected[r].size(); ++c) {
          EXPECT_EQ(Cell(read, r + 1, c + 1), expected[r][c]) << r + 1 << "," << c + 1;
          count += !expected[r][c].empty();
        }
      }
      EXPECT_EQ(read.cells.Count(), count);
    }
  }
  Biff in1904 = EveryKindBiff();
  in1904.globals.b[4] = 1;  // the date-system record comes first
  const Read read = ReadBytes(CompoundFileBytes({{"Workbook", in1904.Stream()}}));
  EXPECT_EQ(Cell(read, 3, 2), "2028-03-02 00:00:00");
}

TEST(WorkbookReader, CsvFieldsAreTypedAsASpreadsheetTypesThem) {
  Read read =
      ReadText("\"a\";\"b;c\";1,5;2024-03-01 12:30;TRUE;\"x\"\"y\"\r\n\"multi\nline\";;  3 \n");
  ASSERT_EQ(read.error, "");
  const std::vector<std::string> row1 = {"a",          "b;c", "1.500", "2024-03-01 12:30:00",
                                         "unknown:11", "x\"y"};
  for (size_t c = 0; c < row1.size(); ++c) EXPECT_EQ(Cell(read, 1, c + 1), row1[c]);
  EXPECT_EQ(Cell(read, 2, 1), "multi\nline");
  EXPECT_EQ(Cell(read, 2, 3), "3.000");

  read = ReadText("1,2.5,\"3\",x y,007,1900-01-02\n");
  EXPECT_EQ(Cell(read, 1, 1), "1.000");
  EXPECT_EQ(Cell(read, 1, 2), "2.500");
  EXPECT_EQ(Cell(read, 1, 3), "3");
  EXPECT_EQ(Cell(read, 1, 4), "x y");
  EXPECT_EQ(Cell(read, 1, 5), "7.000");
  EXPECT_EQ(Cell(read, 1, 6), "");

  read = ReadText(
      "Gr\xFC\xDF"
      "e \x80,ok\n");  // Windows-1252
  EXPECT_EQ(Cell(read, 1, 1), "Gr\u00FC\u00DFe \u20AC");
  read = ReadText("\xEF\xBB\xBFsep=,\n1;2,3\n");  // the named separator wins
  EXPECT_EQ(Cell(read, 1, 1), "1;2");
  EXPECT_EQ(Cell(read, 1, 2), "3.000");

  std::string rows;
  for (int i = 1; i <= 100; ++i) rows += std::to_string(i) + "\n";
  read = ReadText(rows);
  EXPECT_EQ(read.error, "");
  EXPECT_EQ(Cell(read, 40, 1), "40.000");
  EXPECT_EQ(read.cells.Count(), 40u);
}

// One damaged or crafted file each; every one gives no cells and one reason.
TEST(WorkbookReader, DamagedAndCraftedFilesAreRefusedWithOneMessage) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* reason;
  };
  const std::vector<uint8_t> good = FileBytes(TestDataPath("tag_template.xlsx"));
  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
      "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
      "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">]>"
      "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&lol3;</t></is>"
      "</c></row></sheetData></worksheet>";
  Entries bomb = XlsxEntries("");
  bomb[2].second = "<workbook>" + std::string(17 << 20, ' ') + "</workbook>";
  Entries entity = XlsxEntries("");
  entity[4].second = laughs;
  Entries external = XlsxEntries("");
  external[4].second =
      "<!DOCTYPE w [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><worksheet>&x;</worksheet>";
  Biff encrypted = EveryKindBiff();
  encrypted.globals.Add(Biff::Record(0x002F, Le().U16(1).Raw(std::string(52, 'k')).b));
  std::vector<uint8_t> biff5 = EveryKindBiff().Stream();
  biff5[5] = 0x05;  // the begin-of-file record's version: BIFF5
  std::vector<uint8_t> bigStream = EveryKindBiff().Stream();
  bigStream.resize(5000, 0);
  std::vector<uint8_t> loop = CompoundFileBytes({{"Workbook", bigStream}});
  loop[512 + 4 * 3] = 3;  // the stream's second sector points to itself
  loop[512 + 4 * 3 + 1] = loop[512 + 4 * 3 + 2] = loop[512 + 4 * 3 + 3] = 0;
  std::string tooLong = "\"" + std::string(100000, 'x') + "\"";
  // 33,000 euro signs (99,000 bytes of UTF-8), over a CONTINUE record.
  Biff longLabel;
  Le label;
  label.U16(0).U16(0).U16(0).U16(33000).U8(1);
  Le rest;
  rest.U8(1);
  for (int i = 0; i < 33000; ++i) (i < 20000 ? label : rest).U16(0x20AC);
  longLabel.sheet.Add(Biff::Record(0x0204, label.b)).Add(Biff::Record(0x003C, rest.b));

  // Shared-string tables that claim four billion strings: a cell refers to one
  // far past the strings really there.
  std::string manyStrings;
  for (int i = 0; i < 100000; ++i) manyStrings += "<si><t>s</t></si>";
  Biff hugeSst;
  hugeSst.globals.Add(Biff::Record(0x00FC, Le().U32(0xFFFFFFFF).U32(0xFFFFFFFF).Str8("s").b));
  hugeSst.sheet.Add(Biff::Record(0x00FD, Le().U16(0).U16(0).U16(0).U32(0xFFFFFFFE).b));

  const std::vector<Case> cases = {
      {"empty", {}, "the file is empty"},
      {"binary", {'\x7F', 'E', 'L', 'F', 0, 1, 2}, "no .xlsx, .xls, .ods or .csv workbook"},
      {"truncated xlsx", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2),
       "damaged or truncated"},
      {"encrypted entry", ZipBytes(XlsxEntries("<row/>"), "xl/worksheets/sheet1.xml"), "encrypted"},
      {"encrypted package",
       CompoundFileBytes({{"EncryptionInfo", {1, 2, 3}}, {"EncryptedPackage", {4, 5, 6}}}),
       "encrypted"},
      {"encrypted xls", CompoundFileBytes({{"Workbook", encrypted.Stream()}}), "encrypted"},
      {"excel 95", CompoundFileBytes({{"Workbook", biff5}}), "Excel 5.0/95 or older"},
      {"looped sectors", loop, "damaged or truncated"},
      {"entity expansion", ZipBytes(entity), "document type declaration"},
      {"external entity", ZipBytes(external), "document type declaration"},
      {"zip bomb", ZipBytes(bomb), "unpacks to more than 16 MiB"},
      {"missing shared string",
       ZipBytes(XlsxEntries("<row r=\"6\"><c r=\"A6\" t=\"s\"><v>7</v></c></row>",
                            "<si><t>only one</t></si>")),
       "A6 refers to string 7"},
      {"huge shared strings",
       ZipBytes(XlsxEntries("<row r=\"6\"><c r=\"A6\" t=\"s\"><v>4294967295</v></c></row>",
                            manyStrings)),
       "A6 refers to string 4294967295"},
      {"huge xls shared strings", CompoundFileBytes({{"Workbook", hugeSst.Stream()}}),
       "A1 refers to shared string 4294967294"},
      {"bad reference", ZipBytes(XlsxEntries("<row><c r=\"A0\"><v>1</v></c></row>")),
       "cell reference 'A0'"},
      {"binary xlsx", ZipBytes({{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.bin", "x"}}),
       "binary Excel workbook"},
      {"cell too long", std::vector<uint8_t>(tooLong.begin(), tooLong.end()),
       "more than 32,767 characters"},
      {"xls cell too long", CompoundFileBytes({{"Workbook", longLabel.Stream()}}),
       "A1 holds more than 32,767 characters"},
      {"unclosed quote", {'a', ',', '"', 'b', '\n', 'c'}, "never closed"},
  };
  for (const Case& c : cases) {
    const Read read = ReadBytes(c.bytes);
    EXPECT_NE(read.error.find(c.reason), std::string::npos) << c.what << ": " << read.error;
    EXPECT_EQ(read.cells.Count(), 0u) << c.what;
  }

  clSheetCells small(40, 20, 100);  // a text budget of 100 bytes
  const std::string many(60, 'x');
  const std::string text = many + "," + many + "\n";
  EXPECT_NE(ReadWorkbookBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size(), small)
                .find("MiB of text"),
            std::string::npos);
  EXPECT_EQ(small.Count(), 0u);

  clSheetCells cells(40, 20);
  EXPECT_EQ(ReadWorkbookFile("/nonexistent/tags.xlsx", cells), "No such file or directory");
  EXPECT_EQ(ReadWorkbookFile(TestDataPath(""), cells), "Is a directory");
  EXPECT_EQ(WorkbookReadMessage("/a/tags.xlsx", "the file is empty"),
            "cannot read workbook '/a/tags.xlsx': the file is empty");
}

TEST(WorkbookReader, AControlFollowsAndStopsARead) {
  for (const char* name :
       {"tag_template.xlsx", "tag_template.xls", "tag_template.ods", "tag_template.csv"}) {
    clReadControl control;
    clSheetCells cells(40, 20);
    cells.SetControl(&control);
    ASSERT_EQ(ReadWorkbookFile(TestDataPath(name), cells), "");
    EXPECT_EQ(control.Row(), 33u) << name;  // the last row with a cell

    control.Stop();
    const std::string error = ReadWorkbookFile(TestDataPath(name), cells);
    EXPECT_NE(error.find("reading was stopped"), std::string::npos) << name << ": " << error;
    EXPECT_EQ(cells.Count(), 0u);
  }
}

}  // namespace
