// The program's version, printed by --version.
#pragma once

inline constexpr const char* kTelvaneVersion = "0.1.0";
