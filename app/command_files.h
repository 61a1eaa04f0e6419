// The files a command line names: reading them, and saying what went wrong with
// which file and why.
#pragma once
#include <string>

#include "model/workspace_file.h"

class clWorkspace;

// Prints "telvane: <what>: <why>" on stderr.
void PrintError(const std::string& what, const std::string& why);

// Loads a workspace file. "" on success, otherwise the reason: the system's
// ("No such file or directory"), or "not a Telvane workspace (Unexpected file
// format.)" for a file that is not one.
std::string LoadWorkspaceForCommand(const std::string& path, clWorkspace& workspace,
                                    clLoadPurpose purpose);

// Why a save to path cannot work (its folder is missing, not a folder, or not
// writable), or "" when it can be tried.
std::string SaveTargetProblem(const std::string& path);
