#pragma once

// RunDesktop's result when no display could be opened for "--demo": the caller
// runs the demonstration headless instead.
inline constexpr int kDesktopNoDisplay = -1;

// Whether the command line asks for the window: no argument, one workspace file,
// "--demo" alone, or "--screenshot OUT.png [FILE.cf1|--demo]".
bool WantsDesktop(int argc, char** argv);

// Runs the desktop program and returns its exit code. Without a display it says
// so in one line on stderr and returns 1, or kDesktopNoDisplay for "--demo".
// "--screenshot OUT.png [FILE.cf1|--demo]" renders the main window on the
// offscreen platform (or the one QT_QPA_PLATFORM names) after the first
// refresh, writes the PNG and returns.
int RunDesktop(int argc, char** argv);
