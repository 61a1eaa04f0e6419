#pragma once
#include <QString>

class CDoc;
class COptions;

// What the program was asked to open at start-up.
struct CStartupRequest {
  QString file;       // a workspace named on the command line
  bool demo = false;  // the demonstration workspace, every device started
};

// The start-up sequence up to showing the window: writes the options' missing
// defaults; then opens the command-line file, else (with "AutoOpen" 1) the newest
// recent file when it still exists, else keeps the new workspace. False when the
// command-line file cannot be opened (the user has been told): the program ends.
// A recent file that fails to load is told and start-up goes on with a new
// workspace.
bool OpenStartupWorkspace(CDoc& doc, COptions& options, const CStartupRequest& request);

// After the window is shown: "Start All" when "AutoRun" is 1 or for the demo.
void RunStartupDevices(CDoc& doc, COptions& options, const CStartupRequest& request);
