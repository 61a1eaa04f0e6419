// Writes cell_kinds.xlsx (argv[1]) and, with constant memory, cell_kinds_inline.xlsx
// (argv[2]): a tag sheet whose cells take every kind a workbook stores (shared,
// inline and rich strings, numbers, booleans, dates and times, formulas with
// number, string and boolean results, blanks, escapes and characters outside the
// basic plane), so that the workbook readers' seeds reach each cell kind.
// Built and run by make_corpus.sh (needs libxlsxwriter-dev).
#include <xlsxwriter.h>

static void Write(const char* path, int constantMemory) {
  lxw_workbook_options options = {.constant_memory = constantMemory, .tmpdir = NULL};
  lxw_workbook* book = workbook_new_opt(path, &options);
  lxw_worksheet* sheet = workbook_add_worksheet(book, "Tags");
  lxw_format* date = workbook_add_format(book);
  format_set_num_format(date, "yyyy-mm-dd");
  lxw_format* time = workbook_add_format(book);
  format_set_num_format(time, "hh:mm:ss");
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);
  const char* keys[] = {"sector", "tag_name", "type", "ioa", "scale_state", "scale_type",
                        "scale_raw_min", "scale_raw_max", "scale_eng_min", "scale_eng_max",
                        "scale_factor", "link_state", "link_sector", "link_name", "value"};
  worksheet_write_string(sheet, 0, 0, "Cell kinds _x0041_ \xF0\x9F\x98\x80 & <tags>", NULL);
  for (int c = 0; c < 15; ++c) worksheet_write_string(sheet, 4, c, keys[c], NULL);
  // Row 6: a rich name, a formula type, a boolean state and a date value.
  worksheet_write_number(sheet, 5, 0, 1, NULL);
  lxw_rich_string_tuple first = {.format = bold, .string = "Ta"};
  lxw_rich_string_tuple second = {.format = NULL, .string = "g1"};
  lxw_rich_string_tuple* name[] = {&first, &second, NULL};
  worksheet_write_rich_string(sheet, 5, 1, name, NULL);
  worksheet_write_formula_str(sheet, 5, 2, "=\"Single Point\"", NULL, "Single Point");
  worksheet_write_formula_num(sheet, 5, 3, "=100+1", NULL, 101);
  worksheet_write_boolean(sheet, 5, 4, 1, NULL);
  worksheet_write_string(sheet, 5, 5, "LINEAR", NULL);
  worksheet_write_number(sheet, 5, 6, -1.5e-3, NULL);
  worksheet_write_number(sheet, 5, 7, 32767, NULL);
  worksheet_write_formula(sheet, 5, 8, "=1=1", NULL);
  worksheet_write_blank(sheet, 5, 9, bold);
  lxw_datetime day = {2024, 2, 29, 0, 0, 0};
  worksheet_write_datetime(sheet, 5, 10, &day, date);
  lxw_datetime clock = {0, 0, 0, 12, 30, 15.5};
  worksheet_write_datetime(sheet, 5, 11, &clock, time);
  worksheet_write_string(sheet, 5, 13, "  spaced\ttab\nline  ", NULL);
  worksheet_write_number(sheet, 5, 14, 1e308, NULL);
  // Row 7: a second tag with text that looks like numbers and escapes.
  worksheet_write_string(sheet, 6, 0, "2", NULL);
  worksheet_write_string(sheet, 6, 1, "Tag_x005F_2", NULL);
  worksheet_write_string(sheet, 6, 2, "Double Point", NULL);
  worksheet_write_string(sheet, 6, 3, "0x10", NULL);
  worksheet_write_string(sheet, 6, 14, "1,5", NULL);
  workbook_close(book);
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  Write(argv[1], 0);
  Write(argv[2], 1);
  return 0;
}
