// The import template read from each of the four formats gives the same rows,
// and those rows are what the template's cells say.
#include <gtest/gtest.h>

#include "model/tag_import.h"
#include "tests/workbook/workbook_test_helpers.h"
#include "workbook/workbook_reader.h"

namespace {

std::vector<clImportRow> TemplateRows(const std::string& name) {
  clSheetCells cells(kImportRowEnd - 1, kImportColumnCount);
  EXPECT_EQ(ReadWorkbookFile(TestDataPath(name), cells), "");
  return ReadImportRows([&cells](int32_t row, int32_t column) { return cells.Text(row, column); });
}

TEST(TemplateRows, EveryFormatGivesTheRowsTheCellsSay) {
  const std::vector<clImportRow> rows = TemplateRows("tag_template.xlsx");
  for (const char* name : {"tag_template.xls", "tag_template.ods", "tag_template.csv"})
    EXPECT_EQ(TemplateRows(name), rows) << name;

  // Rows 6 to 14, 17 to 26: row 15 and 16 have no sector, and the six empty
  // rows after row 26 end the list before row 33.
  ASSERT_EQ(rows.size(), 19u);
  EXPECT_EQ(rows[8].sheetRow, 14);
  EXPECT_EQ(rows[9].sheetRow, 17);
  EXPECT_EQ(rows.back().sheetRow, 26);

  const clImportRow& tap = rows[2];  // numbers stored as text
  EXPECT_EQ(tap.sector, 2);
  EXPECT_EQ(tap.ioa, 300);
  EXPECT_EQ(tap.value, 5);
  EXPECT_EQ(rows[1].type, 2);  // "double point"
  const clImportRow& voltage = rows[3];
  EXPECT_TRUE(voltage.scalingEnabled);
  EXPECT_EQ(voltage.scaleType, 2);
  EXPECT_EQ(voltage.rawMax, 32767);
  EXPECT_EQ(voltage.engMax, 100);
  EXPECT_EQ(voltage.value, 16383.5);
  EXPECT_EQ(rows[4].scaleType, 4);  // "factor"
  EXPECT_EQ(rows[4].scaleFactor, 0.1);
  EXPECT_EQ(rows[5].sector, 3);            // the number 3 reads "3.000"
  EXPECT_EQ(rows[6].tagName, "1001.000");  // a name stored as a number
  EXPECT_TRUE(rows[7].linkEnabled);
  EXPECT_EQ(rows[7].linkTagName, "Breaker1");
  EXPECT_EQ(rows[12].linkSector, 1);  // "1" as text
  for (size_t i : {13u, 14u, 15u}) EXPECT_EQ(rows[i].type, 0) << rows[i].tagName;
  EXPECT_FALSE(rows[15].linkEnabled);  // "yes" is not "on"
  EXPECT_EQ(rows[16].tagName, "2024-03-01 12:30:15");
  EXPECT_EQ(rows[16].value, 2024);
  EXPECT_EQ(rows[17].tagName, "");  // a date before 1901
  EXPECT_EQ(rows[18].tagName, "padded name");
  EXPECT_EQ(rows[18].type, 5);
  EXPECT_EQ(rows[18].ioa, 1000000);
  EXPECT_EQ(rows[18].value, 12);
}

}  // namespace
