// telvane --import: imports a spreadsheet tag list into a master or slave of a
// workspace file, without a window.
#pragma once
#include <cstdint>
#include <set>
#include <string>

// Options of the import command.
struct clImportOptions {
  std::string workspace;  // FILE.cf1
  std::string device;     // a master's or slave's name
  std::string workbook;   // .xlsx, .xls, .ods or .csv
  bool allRows = true;
  std::set<int32_t> rows;  // worksheet rows to import when not all
  std::string saveAs;      // empty: save over the workspace file
};

// Parses the arguments that follow "--import". "--rows" takes "all" or a list
// of worksheet row numbers and ranges ("6,8,10-20"). False with a reason in
// `error` when an option is unknown, lacks its value, or a value is wrong.
bool ParseImportOptions(int argc, char** argv, clImportOptions& options, std::string& error);

// Runs "telvane --import FILE.cf1 DEVICE WORKBOOK [--rows all|LIST] [--save-as
// OUT.cf1]": loads the workspace, reads worksheet 1 of the workbook, imports
// every template row (or the listed ones) into the device as the "Import Tags"
// dialog does, replacing its sectors and tags, and saves to OUT.cf1, or over
// FILE.cf1 when no --save-as is given (the save goes through a temporary file,
// so a failed save leaves the old file whole). Prints one line of what was
// imported. Exit codes: 0 done; 1 nothing imported (no tag rows) or the save
// failed; 2 wrong arguments, or a device or row that is not there; 3 the
// workspace or the workbook cannot be read. Messages go to stderr.
int RunImportCommand(int argc, char** argv);
