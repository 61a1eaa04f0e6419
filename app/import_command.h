// telvane --import: imports a spreadsheet tag list into a master or slave of a
// workspace file, without a window.
#pragma once
#include <cstdint>
#include <set>
#include <string>

struct clCommandLine;

// "6,8,10-20": worksheet rows, each from the template's first tag row to its
// last. False with a reason in `error` for anything else.
bool ParseImportRowList(const std::string& list, std::set<int32_t>& rows, std::string& error);

// Runs "telvane --import FILE.cf1 DEVICE WORKBOOK [--rows all|LIST] [--save-as
// OUT.cf1]": loads the workspace, reads worksheet 1 of the workbook, imports
// every template row (or the listed worksheet rows) into the master or slave as
// the "Import Tags" window does, replacing its sectors and tags, and saves to
// OUT.cf1, or over FILE.cf1 when no --save-as is given (through a temporary
// file, so a failed save leaves the old file whole). Prints one line of what
// was imported. Exit codes: kExitUsage for wrong operands, an unknown device, a
// monitor, or a listed row that holds no tag; kExitUnreadable when the
// workspace or the workbook cannot be read or the workbook holds no tag rows;
// kExitWriteFailed when the save fails. Nothing is written unless the import
// succeeds.
int RunImportCommand(const clCommandLine& line);
