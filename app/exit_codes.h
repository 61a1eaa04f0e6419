// The exit codes of telvane, one meaning each. When several apply to one run,
// the smallest non-zero one is returned.
#pragma once

inline constexpr int kExitOk = 0;
// A file could not be written: --save-as (also when its folder is found unusable
// at the start), the output of --build, a closed output of --dump.
inline constexpr int kExitWriteFailed = 1;
// Wrong command line: unknown option, missing or bad value, wrong operands.
inline constexpr int kExitUsage = 2;
// An input could not be read or is not what it should be: a workspace, a JSON
// description, a script file; for --decode, input in which no frame decoded.
inline constexpr int kExitUnreadable = 3;
// A script "wait" timed out.
inline constexpr int kExitWaitTimedOut = 4;
// Script lines were refused (their count is printed at the end).
inline constexpr int kExitScriptErrors = 5;
// A device did not start (without --keep-going).
inline constexpr int kExitDeviceNotStarted = 6;

// The code of a run in which both a and b apply.
inline constexpr int CombineExitCodes(int a, int b) {
  if (a == kExitOk) return b;
  if (b == kExitOk) return a;
  return a < b ? a : b;
}
