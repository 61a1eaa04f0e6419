// Clipboard contents from any program, under each of our object formats: the
// decoder must accept or refuse any byte string without crashing, hanging or
// running out of memory, and refuse with its one message. Accepted objects are
// pasted into a workspace (as the paste command does), and must encode again to
// bytes that read back to the same objects.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_entries.h"
#include "model/object_clip.h"
#include "model/workspace_paste.h"

int FuzzClipboard(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the format, the rest is the clipboard's data.
  const clClipKind kind = kClipKinds[data[0] % std::size(kClipKinds)];
  ++data;
  --size;
  clClipObjects objects;
  const std::string result = DecodeClip(kind, data, size, &objects);
  if (!result.empty()) {
    if (result != kClipDamaged || objects.Count() != 0) std::abort();
    return 0;
  }
  const std::vector<uint8_t> again = EncodeClipObjects(objects);
  clClipObjects reread;
  if (!DecodeClip(kind, again.data(), again.size(), &reread).empty()) std::abort();
  if (EncodeClipObjects(reread) != again) std::abort();

  clWorkspace workspace;
  workspace.InitNew();
  const size_t count = objects.Count();
  if (kind == clClipKind::kTags || kind == clClipKind::kSectors) {
    clDevice* slave = workspace.CommitDevice(workspace.NewSlave());
    auto sector = workspace.NewSector(*slave);
    clSector* target = sector.object.get();
    workspace.CommitSector(*slave, std::move(sector.object));
    const size_t added =
        kind == clClipKind::kTags
            ? PasteTags(workspace, *slave, *target, std::move(objects.tags)).objects.size()
            : PasteSectors(workspace, *slave, std::move(objects.sectors)).objects.size();
    if (added != count) std::abort();
  } else {
    if (PasteDevices(workspace, ClipDeviceKind(kind), std::move(objects.devices)).size() != count)
      std::abort();
  }
  return 0;
}

TELVANE_FUZZ_ENTRY(FuzzClipboard)
