#pragma once
// The record of every stored class, in the field order of the workspace file.
// Writers append to a clArchiveWriter; readers fill a fresh object and throw
// clArchiveError on any inconsistency.
#include <memory>
#include <vector>

#include "model/archive_reader.h"
#include "model/archive_writer.h"
#include "model/workspace.h"

void WriteWorkspaceRecord(clArchiveWriter& out, const clWorkspace& workspace);
// Reads a whole file's records into an empty workspace (references unresolved).
void ReadWorkspaceRecord(clArchiveReader& in, clWorkspace& workspace);

// One embedded list record on its own: the list version word, then the objects
// of one class with their class tags (the clipboard carries such a record).
// A device list holds the devices of `kind` (clDevice::kMaster, kSlave or
// kMonitor) and skips any other.
void WriteTagListRecord(clArchiveWriter& out, const std::vector<const clTag*>& tags);
void WriteSectorListRecord(clArchiveWriter& out, const std::vector<const clSector*>& sectors);
void WriteDeviceListRecord(clArchiveWriter& out, int32_t kind,
                           const std::vector<const clDevice*>& devices);
// The same read back, with the bounds of the file reader; throws clArchiveError.
std::vector<std::unique_ptr<clTag>> ReadTagListRecord(clArchiveReader& in);
std::vector<std::unique_ptr<clSector>> ReadSectorListRecord(clArchiveReader& in);
std::vector<std::unique_ptr<clDevice>> ReadDeviceListRecord(clArchiveReader& in, int32_t kind);
