// Writes tag_template.xlsx, the import template the tests read in every format:
// every column, every type name, scaling on and off, links backward and
// forward, dates, numbers stored as text and text stored as numbers, a gap of
// rows without a sector, and a row after six empty ones that must not be read.
// Build and run with make_workbooks.sh.
#include <xlsxwriter.h>

static lxw_worksheet* sheet;
static lxw_format* date;

static void Text(int row, int col, const char* text) {
  worksheet_write_string(sheet, row - 1, col, text, NULL);
}
static void Number(int row, int col, double number) {
  worksheet_write_number(sheet, row - 1, col, number, NULL);
}
static void Date(int row, int col, int y, int m, int d, int hh, int mm, int ss) {
  lxw_datetime when = {y, m, d, hh, mm, ss};
  worksheet_write_datetime(sheet, row - 1, col, &when, date);
}

// Columns A..O: sector, tag_name, type, ioa, scale_state, scale_type,
// scale_raw_min, scale_raw_max, scale_eng_min, scale_eng_max, scale_factor,
// link_state, link_sector, link_name, value.
enum { A, B, C, D, E, F, G, H, I, J, K, L, M, N, O };

int main(void) {
  lxw_workbook* book = workbook_new("tag_template.xlsx");
  sheet = workbook_add_worksheet(book, "Tags");
  workbook_add_worksheet(book, "Notes");  // worksheet 2 is never read
  date = workbook_add_format(book);
  format_set_num_format(date, "yyyy-mm-dd hh:mm:ss");

  Text(1, A, "Tag import template");
  Text(2, A, "Rows 1 to 5 are free; one tag per row from row 6");
  const char* keys[] = {"sector", "tag_name", "type", "ioa", "scale_state",
                        "scale_type", "scale_raw_min", "scale_raw_max", "scale_eng_min",
                        "scale_eng_max", "scale_factor", "link_state", "link_sector",
                        "link_name", "value"};
  for (int c = A; c <= O; ++c) Text(5, c, keys[c]);

  Number(6, A, 1), Text(6, B, "Breaker1"), Text(6, C, "Single Point"), Number(6, D, 100);
  Text(6, E, "OFF"), Text(6, F, "LINEAR"), Text(6, L, "off"), Number(6, O, 1);

  Number(7, A, 1), Text(7, B, "Breaker2"), Text(7, C, "double point"), Number(7, D, 101);
  Number(7, O, 2);

  Text(8, A, "2"), Text(8, B, "Tap"), Text(8, C, "Step Position"), Text(8, D, "300");
  Text(8, O, "5");

  Number(9, A, 2), Text(9, B, "Voltage"), Text(9, C, "Measured Normalized"), Number(9, D, 200);
  Text(9, E, "ON"), Text(9, F, "LINEAR"), Number(9, G, 0), Number(9, H, 32767);
  Number(9, I, 0), Number(9, J, 100), Number(9, O, 16383.5);

  Number(10, A, 2), Text(10, B, "Current"), Text(10, C, "Measured Scaled"), Number(10, D, 201);
  Text(10, E, "on"), Text(10, F, "factor"), Number(10, K, 0.1), Number(10, O, 250);

  Number(11, A, 3), Text(11, B, "Power"), Text(11, C, "Measured Float"), Number(11, D, 202);
  Text(11, E, "OFF"), Text(11, F, "FACTOR"), Number(11, K, 2.5), Number(11, O, 1.5);

  Number(12, A, 3), Number(12, B, 1001), Text(12, C, "Integrated Totals"), Number(12, D, 203);
  Number(12, O, 12345);

  Number(13, A, 3), Text(13, B, "CloseCmd"), Text(13, C, "Single Command"), Number(13, D, 400);
  Text(13, L, "ON"), Number(13, M, 1), Text(13, N, "Breaker1");

  Number(14, A, 3), Text(14, B, "TripCmd"), Text(14, C, "Double Command"), Number(14, D, 401);
  Text(14, L, "on"), Number(14, M, 4), Text(14, N, "Setpoint");

  Text(15, B, "no sector: skipped"), Number(15, D, 999);

  Number(17, A, 4), Text(17, B, "Setpoint"), Text(17, C, "SetPoint Normalized Command");
  Number(17, D, 500), Number(17, O, 0.25);

  Number(18, A, 4), Text(18, B, "SetScaled"), Text(18, C, "SetPoint Scaled Command");
  Number(18, D, 501), Number(18, O, -7);

  Number(19, A, 4), Text(19, B, "SetFloat"), Text(19, C, "SetPoint Float Command");
  Number(19, D, 502), Text(19, O, "3.75");

  Number(20, A, 4), Text(20, B, "RegStep"), Text(20, C, "Regulating Step Command");
  Number(20, D, 503), Text(20, L, "On"), Text(20, M, "1"), Text(20, N, "breaker2");
  Number(20, O, 2);

  Number(21, A, 5), Text(21, B, "GI"), Text(21, C, "Interrogation Command"), Number(21, D, 0);
  Number(22, A, 5), Text(22, B, "Clock"), Text(22, C, "Clock Synchronization Command");
  Number(23, A, 5), Text(23, B, "Bogus"), Text(23, C, "Bogus Type"), Number(23, D, 601);
  Text(23, L, "yes"), Number(23, M, 1), Text(23, N, "Breaker1");

  Number(24, A, 5), Date(24, B, 2024, 3, 1, 12, 30, 15), Text(24, C, "Single Point");
  Number(24, D, 602), Date(24, O, 2024, 3, 1, 0, 0, 0);

  Number(25, A, 5), Date(25, B, 1900, 6, 1, 0, 0, 0), Text(25, C, "Single Point");
  Number(25, D, 603);

  Number(26, A, 6), Text(26, B, "  padded name  "), Text(26, C, "  measured float  ");
  Number(26, D, 1e6), Text(26, O, "12abc");

  // Rows 27 to 32 have no sector: reading stops before row 33.
  Number(33, A, 9), Text(33, B, "NeverRead"), Text(33, C, "Single Point");
  return workbook_close(book);
}
