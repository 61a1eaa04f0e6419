#pragma once
#include <QString>

class QMimeData;

#include "master/master_write.h"

class clDevice;
class clSector;
class clTag;
class clWorkspace;
class COptions;

// The dialogs the document opens by name. Each edits the objects of its request
// in place and only on OK.
enum class CDialog {
  kMasterDevice,   // "IEC 870-5-101 Master Properties": request.device
  kSlaveDevice,    // the slave's properties: request.device
  kMonitorDevice,  // the monitor's properties: request.device
  kSector,         // the sector's properties: request.sector of request.device
  kMasterTag,      // "Tag Properties": request.tag (sector and device given)
  kSlaveTag,       // the slave tag's properties: request.tag
  kSerialPorts,    // the port settings of request.workspace's port list
  kOption,         // "Option": the four user options in the settings store
  kImport,         // "Import Tags" into request.device; true when it imported
  // The master's command dialogs, by the written tag's type. request.write holds
  // the value sent last with that command (the dialog shows it) and receives the
  // confirmed one.
  kWriteSingleCommand,
  kWriteDoubleCommand,
  kWriteRegulatingStep,
  kWriteSetpointNormalized,
  kWriteSetpointScaled,
  kWriteSetpointFloat,
  kWriteInterrogation,
  kWriteClockSync,
};

// Everything a named dialog needs. `workspace` is always set (device dialogs
// list its ports); the other pointers as the dialog's comment says, never owned.
// `running` tells a device dialog that the device runs, so that it offers only
// what may change while it does.
struct CDialogRequest {
  CDialog dialog;
  clWorkspace* workspace = nullptr;
  clDevice* device = nullptr;
  clSector* sector = nullptr;
  clTag* tag = nullptr;
  clMasterWrite* write = nullptr;
  COptions* options = nullptr;  // the settings store ("Option")
  bool running = false;
};

enum class CAnswer { kYes, kNo, kCancel };

// How the document talks to the user. The desktop implements it with message
// boxes, file dialogs and the real dialogs; tests implement it with scripted
// answers. Every call is modal: it returns when the user has answered.
class CUserInterface {
 public:
  virtual ~CUserInterface() = default;

  // A message with an OK button (refusals, failures).
  virtual void Tell(const QString& text) = 0;
  // A question with Yes and No, or with Yes, No and Cancel when `cancel` is set.
  virtual CAnswer Ask(const QString& text, bool cancel = false) = 0;
  // Opens the named dialog on the request's objects; true on OK.
  virtual bool OpenDialog(CDialogRequest& request) = 0;
  // A workspace file to open, or to save as (proposing `proposed`); "" when the
  // user cancelled. The filter is "Configuration File (*.cf1)".
  virtual QString ChooseFile(bool save, const QString& proposed) = 0;
  // Shows the device's traffic window with the text limits of the settings: a
  // new window is created and shown without activation, a hidden one gets both
  // limits and is shown again, a visible one is left alone.
  virtual void ShowTraffic(clDevice& device, int textLength, int textCut) = 0;

  // The clipboard; by default the desktop's, which other programs (and other
  // instances of this one) share. SetClipboard takes the data over.
  virtual void SetClipboard(QMimeData* data);
  // Its contents, valid until the clipboard next changes; null when there is no
  // clipboard.
  virtual const QMimeData* Clipboard();
};
