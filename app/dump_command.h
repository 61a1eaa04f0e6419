// telvane --dump: prints a workspace file as JSON.
#pragma once
#include <string>

class clWorkspace;

// The whole workspace as one JSON object: "counters" (the eight counters in file
// order), "ports", "masters", "slaves", "monitors" and "columnWidths", every stored
// field under its lower-camel-case name. Doubles are printed so that they read back
// exactly; NaN and infinities, which JSON cannot hold, as the strings "NaN",
// "Infinity" and "-Infinity".
std::string WorkspaceToJson(const clWorkspace& workspace);

// Runs "telvane --dump FILE.cf1" with the arguments that follow "--dump": the JSON
// on stdout and exit code 0; the load message on stderr and exit code 3 when the
// file cannot be read; a usage text and exit code 2 for wrong arguments.
int RunDumpCommand(int argc, char** argv);
