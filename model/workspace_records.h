#pragma once
// The record of every stored class, in the field order of the workspace file.
// Writers append to a clArchiveWriter; readers fill a fresh object and throw
// clArchiveError on any inconsistency.
#include "model/archive_reader.h"
#include "model/archive_writer.h"
#include "model/workspace.h"

void WriteWorkspaceRecord(clArchiveWriter& out, const clWorkspace& workspace);
// Reads a whole file's records into an empty workspace (references unresolved).
void ReadWorkspaceRecord(clArchiveReader& in, clWorkspace& workspace);
