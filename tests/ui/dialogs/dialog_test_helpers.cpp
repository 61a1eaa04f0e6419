#include "tests/ui/dialogs/dialog_test_helpers.h"

#include <QMessageBox>

QStringList AnswerMessages(const std::function<void()>& action) {
  QStringList texts;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&texts] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      texts.append(box->text());
      box->accept();
    }
  });
  poll.start();
  action();
  poll.stop();
  return texts;
}

CDialogWorkspace::CDialogWorkspace() {
  workspace.InitNew();
  master = static_cast<clIEC101MasterDevice*>(workspace.CommitDevice(workspace.NewMaster()));
  slave = static_cast<clIEC101SlaveDevice*>(workspace.CommitDevice(workspace.NewSlave()));
  monitor = static_cast<clIEC101CaptureDevice*>(workspace.CommitDevice(workspace.NewMonitor()));
  for (clDevice* device : {static_cast<clDevice*>(master), static_cast<clDevice*>(slave)}) {
    auto sector = workspace.NewSector(*device);
    clSector* raw = sector.object.get();
    workspace.CommitSector(*device, std::move(sector.object));
    (device == master ? masterSector : slaveSector) = raw;
  }
  workspace.ResolveReferences();
}

clTag* CDialogWorkspace::AddTag(clDevice& device, int32_t type, int32_t ioa,
                                const std::string& name) {
  auto tag = workspace.NewTag(device);
  tag.object->SetType(type);
  tag.object->SetIoa(ioa);
  tag.object->SetName(name);
  clTag* raw = tag.object.get();
  workspace.CommitTag(device, &device == master ? *masterSector : *slaveSector,
                      std::move(tag.object));
  return raw;
}
