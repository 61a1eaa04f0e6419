#include "tests/ui/ui_test_helpers.h"

#include "model/workspace.h"

void IsolateSettings(QTemporaryDir& folder) {
  qputenv("XDG_CONFIG_HOME", folder.filePath("config").toLocal8Bit());
}

CDocFixture::CDocFixture() : options(folder.filePath("Telvane.conf")) {
  doc = std::make_unique<CDoc>(user, options);
  QObject::connect(doc.get(), &CDoc::Updated, [this](int hint, const CHintObject& object) {
    hints.append({hint, object});
  });
}

CDocFixture::~CDocFixture() { doc.reset(); }

QList<int> CDocFixture::TakeHints() {
  QList<int> numbers;
  for (const CReceivedHint& h : hints) numbers.append(h.hint);
  hints.clear();
  return numbers;
}

void CDocFixture::AddPort(const std::string& name) {
  auto port = std::make_unique<clSerialPort>();
  port->SetName(name);
  doc->Workspace().Ports().Add(std::move(port));
}

clDevice* CDocFixture::AddDevice(int kind, const std::string& port, const std::string& name) {
  clWorkspace& workspace = doc->Workspace();
  std::unique_ptr<clDevice> device;
  if (kind == clDevice::kMaster) {
    device = workspace.NewMaster();
  } else {
    device = workspace.NewSlave();
  }
  device->SetName(name);
  device->SetPortName(port);
  device->SetPort(workspace.Ports().Find(port));
  clDevice* added = workspace.CommitDevice(std::move(device));
  auto sector = workspace.NewSector(*added);
  clSector* rawSector = sector.object.get();
  workspace.CommitSector(*added, std::move(sector.object));
  auto tag = workspace.NewTag(*added);
  tag.object->SetType(clTag::kSinglePoint);
  tag.object->SetIoa(1);
  workspace.CommitTag(*added, *rawSector, std::move(tag.object));
  return added;
}

clIEC101CaptureDevice* CDocFixture::AddMonitor(const std::string& port1, const std::string& port2) {
  clWorkspace& workspace = doc->Workspace();
  auto monitor = workspace.NewMonitor();
  monitor->SetPort1Name(port1);
  monitor->SetPort2Name(port2);
  monitor->SetPort1(workspace.Ports().Find(port1));
  monitor->SetPort2(workspace.Ports().Find(port2));
  return static_cast<clIEC101CaptureDevice*>(workspace.CommitDevice(std::move(monitor)));
}
