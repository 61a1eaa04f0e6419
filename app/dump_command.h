// telvane --dump: prints a workspace file as JSON.
#pragma once

struct clCommandLine;

// Runs "telvane --dump FILE.cf1": the JSON of what the file holds (every field as
// stored) on stdout and exit code 0; the reason on stderr and kExitUnreadable when
// the file cannot be read; kExitUsage for wrong arguments.
int RunDumpCommand(const clCommandLine& line);
