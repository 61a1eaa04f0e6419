#pragma once
#include <memory>
#include <string>
#include <vector>

#include "model/workspace.h"

// Pasting workspace objects (read from the clipboard, or copies) into a
// workspace. Pasted objects get the identities of this workspace, as objects
// created here would; the originals' identities mean nothing here. Each
// function adds all of its objects or, when it refuses, none, and returns the
// added objects in the order given.
//
// Links between slave tags name tags by identity: a link to a tag pasted in the
// same batch follows that tag's copy, so that a pasted set behaves as the
// copied set did; a link to any other tag is kept as it was.
//
// Pasted master tags are marked uncertain: their values were not received by
// the master they are pasted into.

inline constexpr const char* kPasteRefused = "Paste aborted, device is running !";

template <class T>
struct clPasted {
  std::vector<T*> objects;
  std::string error;  // the refusal; nothing was added
};

// Devices pasted onto a root: each takes the root's role as its kind, the next
// device identity and, when its name is already in its list, the name "Copy %s";
// its sectors (or a monitor's tags) new identities linked to it, its tags new
// identities linked to their sectors; its ports are looked up by name. Devices
// not of the role are dropped.
std::vector<clDevice*> PasteDevices(clWorkspace& workspace, int32_t kind,
                                    std::vector<std::unique_ptr<clDevice>> devices);

// Sectors pasted onto a master or slave: each takes the next sector identity,
// the device, the device's next free common address and the name "Sector%d"
// with it; its tags new identities. Refused while the device runs.
clPasted<clSector> PasteSectors(clWorkspace& workspace, clDevice& device,
                                std::vector<std::unique_ptr<clSector>> sectors);

// Tags pasted into a sector of a master or slave: each takes the next tag
// identity and the sector's identity; a tag whose name is already in the sector
// is named "Copy %s". Refused while the device runs.
clPasted<clTag> PasteTags(clWorkspace& workspace, clDevice& device, clSector& sector,
                          std::vector<std::unique_ptr<clTag>> tags);
