// telvane --dump: see the function comment.
#pragma once

// Runs "telvane --dump ..." with the arguments that follow "--dump"; returns the exit code.
int RunDumpCommand(int argc, char** argv);
