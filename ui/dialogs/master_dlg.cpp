#include "ui/dialogs/master_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <climits>

#include "model/master_device.h"
#include "ui/dialogs/dialog_fields.h"

namespace {

constexpr int32_t kLargestLinkAddress = 0xFFFF;

}  // namespace

CIEC101MasterDlg::CIEC101MasterDlg(clIEC101MasterDevice& device, const clSerialPorts& ports,
                                   bool running, const QString& settingsPath, QWidget* parent)
    : CGeometryDialog("MasterProperties", settingsPath, parent),
      device_(device),
      running_(running) {
  setWindowTitle("IEC 870-5-101 Master Properties");
  const clMasterSettings s = clMasterSettings::From(device);
  name = new QLineEdit(QString::fromStdString(s.name));
  port = new CPortCombo(ports, s.port);
  linkAddress = new CNumberEdit(0, kLargestLinkAddress);
  linkAddress->SetInt(s.linkAddress);
  retries = new CNumberEdit(0, INT_MAX);
  retries->SetInt(s.retries);
  pollInterval = new CNumberEdit(0, INT_MAX);
  pollInterval->SetInt(s.pollIntervalMs);
  readTimeout = new CNumberEdit(0, INT_MAX);
  readTimeout->SetInt(s.readTimeoutMs);
  balancedMode = new QCheckBox("Enable Balance Mode");
  balancedMode->setChecked(s.balancedMode);
  testPeriod = new CNumberEdit(0, INT_MAX);
  testPeriod->SetInt(s.testPeriodSec);
  giPeriod = new CNumberEdit(0, INT_MAX);
  giPeriod->SetInt(s.giPeriodSec);
  timeSyncPeriod = new CNumberEdit(0, INT_MAX);
  timeSyncPeriod->SetInt(s.timeSyncPeriodSec);
  autoCreateTags = new QCheckBox("Auto create tag from response messages");
  autoCreateTags->setChecked(s.autoCreateTags);
  modemEnabled = new QCheckBox("Enable Modem");
  modemEnabled->setChecked(s.modemEnabled);
  phoneNumber = new QLineEdit(QString::fromStdString(s.phoneNumber));
  dialTimeout = new CNumberEdit(0, INT_MAX);
  dialTimeout->SetInt(s.dialTimeoutSec);
  sizes = new CFieldSizeGroup(clFieldSizes{s.linkAddressSize, s.sectorSize, s.ioaSize, s.cotSize});

  auto* general = new QFormLayout;
  general->addRow("Name", name);
  general->addRow("Serial Port", port);
  general->addRow("Link Address", linkAddress);
  general->addRow("Retries", retries);

  auto* link = new QGroupBox("Link Layer");
  auto* linkForm = new QFormLayout(link);
  linkForm->addRow("Poll Interval", WithUnit(pollInterval, "(milli seconds)"));
  linkForm->addRow("Read Timeout", WithUnit(readTimeout, "(milli seconds)"));
  linkForm->addRow(balancedMode);
  linkForm->addRow("Test Function", WithUnit(testPeriod, "(seconds)"));

  auto* application = new QGroupBox("Application Layer");
  auto* applicationForm = new QFormLayout(application);
  applicationForm->addRow("GI Period", WithUnit(giPeriod, "(seconds)"));
  applicationForm->addRow("TimeSync", WithUnit(timeSyncPeriod, "(seconds)"));
  applicationForm->addRow(autoCreateTags);

  auto* modem = new QGroupBox("Modem");
  auto* modemForm = new QFormLayout(modem);
  modemForm->addRow(modemEnabled);
  modemForm->addRow("Phone Number (ATD)", phoneNumber);
  modemForm->addRow("Dial Timeout", WithUnit(dialTimeout, "(seconds)"));

  auto* grid = new QGridLayout;
  grid->addLayout(general, 0, 0);
  grid->addWidget(sizes, 0, 1);
  grid->addWidget(link, 1, 0);
  grid->addWidget(application, 1, 1);
  grid->addWidget(modem, 2, 0, 1, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(Buttons());

  connect(balancedMode, &QCheckBox::toggled, this, &CIEC101MasterDlg::UpdateEnabling);
  UpdateEnabling();
}

void CIEC101MasterDlg::UpdateEnabling() {
  const bool balanced = balancedMode->isChecked();
  const auto enable = [&](QWidget* widget, clMasterField field) {
    widget->setEnabled(MasterFieldEnabled(field, running_, balanced));
  };
  enable(name, clMasterField::kName);
  enable(port, clMasterField::kPort);
  enable(linkAddress, clMasterField::kLinkAddress);
  enable(retries, clMasterField::kRetries);
  enable(pollInterval, clMasterField::kPollInterval);
  enable(readTimeout, clMasterField::kReadTimeout);
  enable(balancedMode, clMasterField::kBalancedMode);
  enable(testPeriod, clMasterField::kTestPeriod);
  enable(giPeriod, clMasterField::kGiPeriod);
  enable(timeSyncPeriod, clMasterField::kTimeSyncPeriod);
  enable(autoCreateTags, clMasterField::kAutoCreateTags);
  enable(sizes, clMasterField::kFieldSizes);
  for (QWidget* widget : {static_cast<QWidget*>(modemEnabled), static_cast<QWidget*>(phoneNumber),
                          static_cast<QWidget*>(dialTimeout)})
    enable(widget, clMasterField::kModem);
}

void CIEC101MasterDlg::accept() {
  clMasterSettings s = clMasterSettings::From(device_);
  s.name = name->text().toStdString();
  s.phoneNumber = phoneNumber->text().toStdString();
  s.modemEnabled = modemEnabled->isChecked();
  s.balancedMode = balancedMode->isChecked();
  s.autoCreateTags = autoCreateTags->isChecked();
  const std::string chosenPort = port->PortName();
  if (!chosenPort.empty()) s.port = chosenPort;
  const clFieldSizes chosen = sizes->Sizes();
  s.linkAddressSize = chosen.linkAddress;
  s.sectorSize = chosen.sector;
  s.ioaSize = chosen.ioa;
  s.cotSize = chosen.cot;
  // Only enabled fields are read: a disabled one keeps the device's value
  // whatever it shows.
  const struct {
    CNumberEdit* field;
    const char* label;
    int32_t* value;
  } numbers[] = {
      {linkAddress, "Link Address", &s.linkAddress},
      {retries, "Retries", &s.retries},
      {pollInterval, "Poll Interval", &s.pollIntervalMs},
      {readTimeout, "Read Timeout", &s.readTimeoutMs},
      {testPeriod, "Test Function", &s.testPeriodSec},
      {giPeriod, "GI Period", &s.giPeriodSec},
      {timeSyncPeriod, "TimeSync", &s.timeSyncPeriodSec},
      {dialTimeout, "Dial Timeout", &s.dialTimeoutSec},
  };
  for (const auto& number : numbers) {
    if (!number.field->isEnabled()) continue;
    if (!number.field->ReadInt(number.value)) return RefuseNumber(number.field, number.label);
  }
  const std::string bad = s.Check(running_);
  if (!bad.empty()) return Refuse(QString::fromStdString(bad));
  s.ApplyTo(device_);
  CGeometryDialog::accept();
}
