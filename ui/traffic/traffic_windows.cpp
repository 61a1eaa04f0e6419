#include "ui/traffic/traffic_windows.h"

#include "ui/document/doc.h"
#include "ui/traffic/monitor_dlg.h"

CTrafficWindows::CTrafficWindows(QObject* parent) : QObject(parent) {}

CTrafficWindows::~CTrafficWindows() {
  // Each window goes before its drain.
  drains_.reset();
  for (auto& [device, window] : windows_) delete window.data();
}

void CTrafficWindows::Follow(CDoc& doc) {
  drains_.reset();
  drains_ = std::make_unique<clTrafficDrains>(doc.Workspace());
  drains_->SetDropHandler([this](const clDevice& device) { Drop(device); });
  connect(&doc, &CDoc::Updated, this, [this](int hint, const CHintObject& object) {
    const bool renamed =
        hint == kHintMasterRenamed || hint == kHintSlaveRenamed || hint == kHintMonitorRenamed;
    if (!renamed || object.device == nullptr) return;
    if (CMonitorDlg* window = WindowOf(*object.device)) window->UpdateTitle();
  });
}

CMonitorDlg* CTrafficWindows::WindowOf(const clDevice& device) const {
  auto found = windows_.find(&device);
  return found == windows_.end() ? nullptr : found->second.data();
}

void CTrafficWindows::Show(clDevice& device, int textLength, int textCut, QWidget* parent) {
  CMonitorDlg* window = WindowOf(device);
  if (window != nullptr && window->isVisible()) return;
  if (window == nullptr) {
    clTrafficDrain* drain = drains_ ? drains_->DrainFor(device) : nullptr;
    if (drain == nullptr) return;
    window = new CMonitorDlg(device, *drain, parent);
    windows_[&device] = window;
  }
  window->SetTextLength(textLength);
  window->SetTextCut(textCut);
  window->show();
}

void CTrafficWindows::Drop(const clDevice& device) {
  auto found = windows_.find(&device);
  if (found == windows_.end()) return;
  QPointer<CMonitorDlg> window = found->second;
  windows_.erase(found);
  delete window.data();
}
