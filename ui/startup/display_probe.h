#pragma once
#include <string>

// Whether a window can be shown: true when QT_QPA_PLATFORM names a platform
// (offscreen, for instance), or when the X server named by DISPLAY accepts a
// connection. Qt ends the process when it cannot reach the display, so the
// program asks first. `why` says what is missing when the answer is false.
bool DisplayAvailable(std::string* why);
