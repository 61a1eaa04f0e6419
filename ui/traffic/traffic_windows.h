#pragma once
#include <QObject>
#include <QPointer>
#include <map>
#include <memory>

#include "app/traffic_drains.h"

class CDoc;
class CMonitorDlg;
class QWidget;
class clDevice;

// The traffic windows of the document's devices: one per device, made by the
// first "Monitor" command on it and kept, hidden or not, until the device goes.
// A device that is deleted, or a workspace that is cleared, replaced or
// destroyed, takes its windows with it; each window stops its capture first.
// Windows follow their device's renames.
//
// Threads: the user-interface thread.
class CTrafficWindows : public QObject {
  Q_OBJECT

 public:
  explicit CTrafficWindows(QObject* parent = nullptr);
  ~CTrafficWindows() override;

  // Ties the windows to the document's workspace and names. Show does nothing
  // before.
  void Follow(CDoc& doc);
  // The "Monitor" command: a new window gets both limits and is shown without
  // taking the focus; a hidden one gets both limits and is shown again; a
  // visible one is left alone. `parent` is the window it belongs to.
  void Show(clDevice& device, int textLength, int textCut, QWidget* parent);

  CMonitorDlg* WindowOf(const clDevice& device) const;
  int Count() const { return static_cast<int>(windows_.size()); }

 private:
  void Drop(const clDevice& device);

  std::unique_ptr<clTrafficDrains> drains_;
  std::map<const clDevice*, QPointer<CMonitorDlg>> windows_;
};
