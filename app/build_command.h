// telvane --build: writes the workspace file a JSON description gives.
#pragma once

struct clCommandLine;

// Runs "telvane --build WORKSPACE.json --save-as OUT.cf1": 0 when the file was
// written; kExitUnreadable (with the reason, and the JSON path of a bad field)
// when the description cannot be read or is wrong; kExitWriteFailed when the file
// cannot be written; kExitUsage for wrong arguments.
int RunBuildCommand(const clCommandLine& line);
