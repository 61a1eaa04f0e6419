#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/workspace.h"

// The ".cf1" workspace file. Every function returns "" on success or the message
// to show; nothing is thrown.
inline constexpr const char* kUnexpectedFileFormat = "Unexpected file format.";
inline constexpr const char* kFailedToOpenDocument = "Failed to open document.";
inline constexpr const char* kFailedToSaveDocument = "Failed to save document.";
// Files above this size are refused as not a workspace rather than read.
inline constexpr size_t kMaxWorkspaceFileBytes = size_t{1} << 30;

// The file's bytes for the workspace.
std::vector<uint8_t> WorkspaceToBytes(const clWorkspace& workspace);

// What a load is for. Opening a workspace resolves the port references and marks
// every master tag uncertain, since no master has heard from its station yet;
// inspecting one keeps every field exactly as the file holds it.
enum class clLoadPurpose { kOpen, kInspect };

// Reads a whole file's bytes into a fresh workspace and, only when every record
// read cleanly, swaps it into `workspace` (the old contents are then deleted) and,
// when opening, resolves port references and marks master tags uncertain. On
// failure `workspace` is exactly as before and the result is "Unexpected file
// format.". Every device of `workspace` must be stopped.
std::string LoadWorkspaceBytes(const uint8_t* data, size_t size, clWorkspace& workspace,
                               clLoadPurpose purpose = clLoadPurpose::kOpen);
// Same from a file; "Failed to open document." when it cannot be read.
std::string LoadWorkspaceFile(const std::string& path, clWorkspace& workspace);

// Writes the file through a temporary file in the same directory, flushed and
// synced, then renamed over `path`, so the previous file stays whole until the
// new one is complete. "Failed to save document." on any failure (the old file
// is then untouched and the temporary removed).
std::string SaveWorkspaceFile(const clWorkspace& workspace, const std::string& path);

// Removes the temporary files that saves to `path` left behind when their process
// ended before renaming them (a crash, a power cut): those of processes that no
// longer exist. Returns how many were removed.
int RemoveStaleSaveTemporaries(const std::string& path);
