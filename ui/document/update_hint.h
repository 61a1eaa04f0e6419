#pragma once
#include <QMetaType>

class clDevice;
class clSector;
class clTag;

// What the document tells its views after every change: a hint number and the
// object it concerns. The numbers are the ones the workspace's views have always
// used; a view reacts to the ones it cares about and ignores the rest.
//
// Views receive hints through CDoc's `Updated` signal, on the user-interface
// thread, synchronously: when the signal returns every view has caught up.
enum UpdateHint : int {
  // The workspace is about to be cleared or replaced: drop every pointer into it
  // (tree items, list rows, traffic windows) now. Sent before kHintLoaded.
  kHintClosing = 0,
  // A whole workspace is in place (new, opened, or built): rebuild from scratch.
  kHintLoaded = 1,

  kHintMasterRootSelected = 2,
  kHintMasterRootRefresh = 3,  // refresh tick: the master table's live columns
  kHintSlaveRootSelected = 4,
  kHintSlaveRootRefresh = 5,  // refresh tick: the slave table's live columns
  kHintMonitorRootSelected = 6,

  kHintMasterAdded = 8,
  kHintMasterSelected = 10,
  kHintMasterRenamed = 11,
  kHintSlaveAdded = 13,
  kHintSlaveSelected = 15,
  kHintSlaveRenamed = 16,
  kHintMonitorAdded = 18,
  kHintMonitorSelected = 19,
  kHintMonitorRenamed = 20,
  kHintMonitorRefresh = 21,  // refresh tick: the monitor's tag table

  kHintMasterSectorAdded = 22,
  // The sector was selected, or one of its tags changed: show its tags again.
  kHintMasterSectorSelected = 23,
  kHintMasterSectorRefresh = 24,  // refresh tick: the sector's live tag values
  kHintMasterSectorRenamed = 25,
  kHintSlaveSectorAdded = 26,
  kHintSlaveSectorSelected = 27,
  kHintSlaveSectorRefresh = 28,
  kHintSlaveSectorRenamed = 29,

  kHintMasterTagAdded = 30,
  kHintSlaveTagAdded = 31,

  // A device or sector (the hint object says which) is being deleted. Sent while
  // it still exists; it is freed as soon as the signal returns, so a view removes
  // what shows it and keeps no pointer into it.
  kHintDeleted = 33,
  // Expand the device's or sector's item and select it.
  kHintExpand = 34,
};

// The object of a hint. Every field that applies is filled: a sector hint
// carries the sector and its device, a tag hint the tag, its sector and its
// device. Root and workspace hints carry nothing.
struct CHintObject {
  clDevice* device = nullptr;
  clSector* sector = nullptr;
  clTag* tag = nullptr;
};
Q_DECLARE_METATYPE(CHintObject)
