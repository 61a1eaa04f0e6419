// telvane --decode: see the function comment.
#pragma once

// Runs "telvane --decode ..." with the arguments that follow "--decode"; returns the exit code.
int RunDecodeCommand(int argc, char** argv);
