#pragma once
#include <QObject>
#include <QString>
#include <memory>

#include "master/master_write.h"
#include "model/tag_import.h"
#include "model/workspace.h"
#include "model/object_clip.h"
#include "ui/document/list_view.h"
#include "ui/document/update_hint.h"
#include "ui/document/user_interface.h"

class clDeviceRunners;
class COptions;

// Every command of the desktop, as the menus, the tool bar and the context menus
// offer it. IsEnabled says when each may run; Run carries it out.
enum class CCommand {
  kNew,
  kOpen,
  kSave,
  kSaveAs,
  kNewDevice,      // "New Device" / Device "Add": a root is selected
  kAddSector,      // "Add Sector": a master or slave device is selected
  kNewTag,         // "New Tag": a sector is selected
  kEditAdd,        // Edit "Add": whichever of the three applies
  kDeleteDevice,
  kDeleteSector,
  kDeviceProperties,
  kSectorProperties,
  kTagProperties,  // a tag is selected (in the list)
  kImport,
  kStart,
  kStop,
  kStartAll,
  kStopAll,
  kMonitor,
  kWrite,  // a master tag is selected
  kSerialPorts,
  kOption,
  // The workspace list's commands, on its selected rows (Cut, Copy, Delete) or
  // on what is selected (Paste).
  kCut,
  kCopy,
  kPaste,
  kDeleteRows,
};

// What the tree (or list) has selected. Selecting anything clears what was
// selected before; a tag is selected inside the selected sector (or monitor).
enum class CSelection {
  kNone,
  kMasterRoot,
  kSlaveRoot,
  kMonitorRoot,
  kMasterDevice,
  kSlaveDevice,
  kMonitorDevice,
  kMasterSector,
  kSlaveSector,
};

// The document: the open workspace, the behaviour of its devices, what is
// selected, and every workspace command with its refusals and confirmations.
// It holds no widget: it asks and tells the user through CUserInterface and
// announces every change to its views as an update hint (signal Updated).
//
// Threads: the user-interface thread only. Running devices change live tag
// values from their own threads; views read those on the refresh tick (Refresh).
class CDoc : public QObject {
  Q_OBJECT

 public:
  // The document starts with a new workspace (ports COM1..COM10), unmodified.
  CDoc(CUserInterface& user, COptions& options, QObject* parent = nullptr);
  ~CDoc() override;

  clWorkspace& Workspace() { return workspace_; }
  clDeviceRunners& Runners() { return *runners_; }
  CUserInterface& User() { return user_; }
  COptions& Options() { return options_; }
  clMasterWriteMemory& WriteMemory() { return writeMemory_; }

  // ---- The document and its file ----
  // The file's full path; empty for a workspace never saved.
  const QString& PathName() const { return path_; }
  // The name the title shows: the file's name, "Untitled" or "Demo".
  QString DisplayName() const;
  bool IsModified() const { return modified_; }
  // Views that change the workspace themselves (the list's editing) call this.
  void SetModified(bool modified = true);

  // "New": after SaveModified, a fresh workspace.
  bool NewWorkspace();
  // "Open": after SaveModified, a file chosen by the user.
  bool Open();
  // Opens the file without asking; tells "Unexpected file format." or "Failed to
  // open document." and leaves the workspace as it was when it cannot. Puts the
  // file first in the recent-file list on success.
  bool OpenFile(const QString& path);
  // A recent-file entry: after SaveModified; a file that is gone is told and
  // dropped from the list.
  bool OpenRecent(const QString& path);
  // Replaces the workspace by the demonstration set-up (unmodified, no file).
  void OpenDemo();
  // "Save": to the file, or as Save As when there is none. False when not saved.
  bool Save();
  bool SaveAs();
  // When modified, asks whether to save (Yes/No/Cancel). False only on Cancel or
  // when saving failed: the caller then keeps the workspace.
  bool SaveModified();
  // The closing rules: refused (with a message) while a master or slave runs;
  // otherwise the question "Shutdown ?" (the Exit command) or "Shutdown..?" (the
  // window's close box), and a modified workspace may still be saved.
  bool CanClose(bool exitCommand);
  // Stops every device and lets the views go; the document is then empty.
  void Shutdown();

  // ---- Selection (the tree and the list report it) ----
  CSelection Selection() const { return selection_; }
  clDevice* SelectedDevice() const { return device_; }
  clSector* SelectedSector() const { return sector_; }
  clTag* SelectedTag() const { return tag_; }
  // kind: clDevice::kMaster, kSlave or kMonitor. Hint 2, 4 or 6.
  void SelectRoot(int kind);
  // Hint 10, 15 or 19.
  void SelectDevice(clDevice* device);
  // The sector of a master or slave (its owner set). Hint 23 or 27.
  void SelectSector(clSector* sector);
  // A tag row of the list, inside the selected sector or monitor; no hint.
  void SelectTag(clTag* tag);
  void ClearSelection();

  // ---- Commands ----
  bool IsEnabled(CCommand command) const;
  // Carries the command out if it is enabled.
  void Run(CCommand command);
  // The refresh tick: hint 24, 28, 3, 5 or 21 for what is selected, if any.
  void Refresh();

  // ---- The workspace list ----
  // The list registers itself (null to leave); the list commands work on it.
  void SetListView(CListView* view);
  CListView* ListView() const { return listView_; }
  // The list's selection changed: the commands' enabling follows.
  void ListSelectionChanged() { emit StateChanged(); }
  // A cell edited in place. Refused with a message when the cell is read-only
  // now or the text does not fit it (nothing changes then); a running slave's
  // value goes through its engine, which reports the change to the master.
  bool EditCell(CListLayoutId layout, int column, const CHintObject& row, const QString& text);

 signals:
  // The update hint to every view (see update_hint.h).
  void Updated(int hint, const CHintObject& object);
  // The title, the modified state, the selection or a device's running state may
  // have changed: the frame updates its title, actions and status bar.
  void StateChanged();
  // The recent-file list in the settings store changed.
  void RecentFilesChanged();

 private:
  void Hint(UpdateHint hint, CHintObject object = {});
  // Selection without a hint.
  void RecordDevice(clDevice* device);
  void RecordSector(clSector* sector);
  // Replaces the whole workspace: views let go, devices stop, then the swap.
  void ReplaceWorkspace(clWorkspace& replacement, const QString& path, const QString& name);
  bool SaveTo(const QString& path);
  CDialogRequest Request(CDialog dialog) const;
  // Points a stopped device at the ports its stored names name.
  void ReferToPorts(clDevice& device);
  bool DeviceIsMasterOrSlave() const;

  void NewDevice();
  void AddSector();
  void NewTag();
  void DeleteDevice();
  void DeleteSector();
  void DeviceProperties();
  void SectorProperties();
  void TagProperties();
  void Import();
  void Start();
  void Stop();
  void StartAll();
  void StopAll();
  void Monitor();
  void Write();
  void SerialPorts();
  void Option();
  void Copy();
  void DeleteRows();
  void Paste();
  void PasteObjects(clClipKind kind, const QByteArray& bytes);
  void PasteText(const QString& text);
  // Whether a paste of plain text may write these rows now; tells why not.
  bool CanPasteInto(const CListLayout& layout, int column, const std::vector<CHintObject>& rows);
  // After list cells changed: renamed devices and sectors, then the table again.
  void AnnounceCellChanges(const CListLayout& layout, int column,
                           const std::vector<CHintObject>& rows);

  CUserInterface& user_;
  COptions& options_;
  clWorkspace workspace_;
  // Declared after the workspace: the runners go first, though the workspace
  // would also stop them before its devices go.
  std::unique_ptr<clDeviceRunners> runners_;
  clMasterWriteMemory writeMemory_;
  QString path_;
  QString name_;
  bool modified_ = false;

  CSelection selection_ = CSelection::kNone;
  clDevice* device_ = nullptr;
  clSector* sector_ = nullptr;
  clTag* tag_ = nullptr;
  CListView* listView_ = nullptr;
};

// Message texts of the document's commands.
inline constexpr const char* kSectorPropertiesRefused =
    "Sector properties cancel, device is running";
inline constexpr const char* kTagPropertiesRefused =
    "Displaying tag properties abort, device is still running";
inline constexpr const char* kDevicesStillRunning = "One OR more devices is still running ?";
inline constexpr const char* kShutdownExit = "Shutdown ?";
inline constexpr const char* kShutdownClose = "Shutdown..?";
inline constexpr const char* kDeleteListSectorRefused =
    "Could not delete sector, device is still running";
inline constexpr const char* kDeleteTagsQuestion = "Delete tags ?";
inline constexpr const char* kDeleteSectorsQuestion = "Delete selected sector ?";
inline constexpr const char* kDeleteDevicesQuestion = "Delete selected device ?";
inline constexpr const char* kCellReadOnly = "This cell cannot be changed now.";
inline constexpr const char* kPasteNoFocusCell =
    "Select the cell where the pasted values begin, then paste again.";
inline constexpr const char* kPasteNothing = "The clipboard holds nothing that can be pasted.";
