#include "ui/dialogs/port_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSettings>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <climits>

#include "runtime/port_settings.h"
#include "runtime/serial_ports.h"
#include "ui/dialogs/dialog_fields.h"
#include "ui/options/plain_ini.h"

namespace {

constexpr const char* kPortsGroup = "Ports";
constexpr int kNameColumnWidth = 90;
constexpr int kListWidth = 380;
const QColor kAbsentColor(0xB0, 0x20, 0x20);

// Fills a list with the entries of `choices` and selects the one that stores
// `value`; a value the list does not offer gets an entry of its own, so that
// the port's setting is shown as it is and stays unless the user picks another.
void ShowChoices(QComboBox* combo, std::span<const clPortChoice> choices, int32_t value) {
  combo->clear();
  for (const clPortChoice& choice : choices) combo->addItem(choice.text, choice.value);
  if (PortChoiceIndex(choices, value) < 0)
    combo->addItem(QString::fromStdString(UnlistedChoiceText(choices, value)), value);
  SelectByData(combo, value);
}

}  // namespace

void StorePortMapping(const QString& settingsPath, const QString& name, const QString& target) {
  QSettings settings(settingsPath, PlainIniFormat());
  settings.beginGroup(kPortsGroup);
  for (const QString& key : settings.childKeys())
    if (key.compare(name, Qt::CaseInsensitive) == 0) settings.remove(key);
  if (!target.isEmpty()) settings.setValue(name, target);
  settings.endGroup();
  settings.sync();
}

std::vector<clSerialAdapter> CPortDlg::PresentAdapters() {
  std::vector<clSerialAdapter> adapters;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    clSerialAdapter adapter;
    adapter.path = info.systemLocation().toStdString();
    adapter.description = info.description().toStdString();
    adapter.manufacturer = info.manufacturer().toStdString();
    adapter.serialNumber = info.serialNumber().toStdString();
    adapters.push_back(adapter);
  }
  return adapters;
}

CPortDlg::CPortDlg(clSerialPorts& ports, const QString& mappingPath, const QString& settingsPath,
                   QWidget* parent)
    : CGeometryDialog("PortSettings", settingsPath, parent),
      ports_(ports),
      mappingPath_(mappingPath) {
  setWindowTitle("Port Settings");
  portList = new QTreeWidget;
  portList->setHeaderLabels({"Port Name", "Device"});
  portList->setRootIsDecorated(false);
  portList->setColumnWidth(0, kNameColumnWidth);
  portList->setMinimumWidth(kListWidth);
  portList->setTextElideMode(Qt::ElideMiddle);
  baudRate = new QComboBox;
  dataBits = new QComboBox;
  parity = new QComboBox;
  stopBits = new QComboBox;
  flowControl = new QComboBox;
  preKey = new CNumberEdit(0, INT_MAX);
  postKey = new CNumberEdit(0, INT_MAX);
  device = new QComboBox;
  device->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  device->setMinimumContentsLength(40);
  otherDevice = new QLineEdit;
  otherDevice->setPlaceholderText("/dev/ttyUSB0 or VLINE1-A");
  deviceState = new QLabel;
  deviceState->setWordWrap(true);
  addSerial = new QPushButton("Add Serial");
  refresh = new QPushButton("Refresh");

  auto* line = new QGroupBox("Line Settings");
  auto* lineForm = new QFormLayout(line);
  lineForm->addRow("Baudrate", WithUnit(baudRate, "(Bits per second)"));
  lineForm->addRow("Data Bits", dataBits);
  lineForm->addRow("Parity", parity);
  lineForm->addRow("Stop Bits", stopBits);
  lineForm->addRow("Flow Control", flowControl);
  lineForm->addRow("RTS Prekey", WithUnit(preKey, "Milli seconds"));
  lineForm->addRow("RTS Postkey", WithUnit(postKey, "Milli seconds"));

  auto* deviceBox = new QGroupBox("Device on this Computer");
  auto* deviceForm = new QFormLayout(deviceBox);
  deviceForm->addRow("Device", device);
  deviceForm->addRow("Other", otherDevice);
  deviceForm->addRow(deviceState);

  auto* listColumn = new QVBoxLayout;
  listColumn->addWidget(portList);
  auto* listButtons = new QHBoxLayout;
  listButtons->addWidget(addSerial);
  listButtons->addWidget(refresh);
  listButtons->addStretch();
  listColumn->addLayout(listButtons);
  auto* columns = new QHBoxLayout;
  columns->addLayout(listColumn, 1);
  columns->addWidget(line, 0, Qt::AlignTop);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns, 1);
  layout->addWidget(deviceBox);
  layout->addWidget(buttons);

  for (int32_t i = 0; i < ports_.Count(); ++i)
    new QTreeWidgetItem(portList, QStringList{QString::fromStdString(ports_.At(i)->Name())});
  adapters_ = PresentAdapters();
  ShowDevices();

  connect(portList, &QTreeWidget::currentItemChanged, this,
          [this] { SelectPort(portList->indexOfTopLevelItem(portList->currentItem())); });
  connect(baudRate, &QComboBox::activated, this,
          [this] { ChoiceActivated(baudRate, &clSerialPort::SetBaudRate); });
  connect(dataBits, &QComboBox::activated, this,
          [this] { ChoiceActivated(dataBits, &clSerialPort::SetDataBits); });
  connect(parity, &QComboBox::activated, this,
          [this] { ChoiceActivated(parity, &clSerialPort::SetParity); });
  connect(stopBits, &QComboBox::activated, this,
          [this] { ChoiceActivated(stopBits, &clSerialPort::SetStopBits); });
  connect(flowControl, &QComboBox::activated, this,
          [this] { ChoiceActivated(flowControl, &clSerialPort::SetFlowControl); });
  connect(preKey, &QLineEdit::textEdited, this,
          [this] { DelayEdited(preKey, &clSerialPort::SetRtsPreKeyMs); });
  connect(postKey, &QLineEdit::textEdited, this,
          [this] { DelayEdited(postKey, &clSerialPort::SetRtsPostKeyMs); });
  connect(device, &QComboBox::activated, this,
          [this] { MapSelectedPort(device->currentData().toString()); });
  connect(otherDevice, &QLineEdit::editingFinished, this, [this] {
    const QString typed = otherDevice->text().trimmed();
    if (typed.isEmpty()) return;
    if (MapSelectedPort(typed)) {
      otherDevice->clear();
    } else {
      deviceState->setText(QString("\"%1\" is neither a device path (/dev/...) nor a virtual "
                                   "line end (VLINE1-A ... VLINE99-B-TAP)")
                               .arg(typed));
    }
  });
  connect(addSerial, &QPushButton::clicked, this, &CPortDlg::AddSerial);
  connect(refresh, &QPushButton::clicked, this, [this] { SetAdapters(PresentAdapters()); });
  SelectPort(ports_.Count() > 0 ? 0 : -1);
}

clSerialPort* CPortDlg::Selected() const {
  const int row = portList->indexOfTopLevelItem(portList->currentItem());
  return row >= 0 && row < ports_.Count() ? ports_.At(row) : nullptr;
}

void CPortDlg::SetAdapters(std::vector<clSerialAdapter> adapters) {
  adapters_ = std::move(adapters);
  ShowDevices();
  ShowDeviceChoices();
}

void CPortDlg::SelectPort(int row) {
  if (row >= 0 && row < portList->topLevelItemCount() &&
      portList->currentItem() != portList->topLevelItem(row)) {
    portList->setCurrentItem(portList->topLevelItem(row));  // comes back here
    return;
  }
  if (const clSerialPort* port = Selected()) {
    ShowChoices(baudRate, kBaudRateChoices, port->BaudRate());
    ShowChoices(dataBits, kDataBitsChoices, port->DataBits());
    ShowChoices(parity, kParityChoices, port->Parity());
    ShowChoices(stopBits, kStopBitsChoices, port->StopBits());
    ShowChoices(flowControl, kFlowControlChoices, port->FlowControl());
    preKey->SetInt(port->RtsPreKeyMs());
    postKey->SetInt(port->RtsPostKeyMs());
  }
  ShowDeviceChoices();
  UpdateEnabling();
}

void CPortDlg::ChoiceActivated(QComboBox* combo, void (clSerialPort::*set)(int32_t)) {
  clSerialPort* port = Selected();
  if (port == nullptr || combo->currentIndex() < 0) return;
  (port->*set)(combo->currentData().toInt());
  changed_ = true;
  UpdateEnabling();
}

void CPortDlg::DelayEdited(CNumberEdit* field, void (clSerialPort::*set)(int32_t)) {
  clSerialPort* port = Selected();
  int32_t value = 0;
  if (port == nullptr || !field->ReadInt(&value)) return;  // not a number yet
  (port->*set)(value);
  changed_ = true;
}

void CPortDlg::UpdateEnabling() {
  const clSerialPort* port = Selected();
  for (QWidget* field : {static_cast<QWidget*>(baudRate), static_cast<QWidget*>(dataBits),
                         static_cast<QWidget*>(parity), static_cast<QWidget*>(stopBits),
                         static_cast<QWidget*>(flowControl)})
    field->setEnabled(port != nullptr);
  const bool delays = port != nullptr && RtsDelaysEnabled(port->FlowControl());
  preKey->setEnabled(delays);
  postKey->setEnabled(delays);
}

void CPortDlg::AddSerial() {
  auto port = std::make_unique<clSerialPort>();
  port->SetName(NextPortName(ports_));
  const QString name = QString::fromStdString(port->Name());
  ports_.Add(std::move(port));
  changed_ = true;
  new QTreeWidgetItem(portList, QStringList{name});
  ShowDevices();
  SelectPort(portList->topLevelItemCount() - 1);
}

bool CPortDlg::MapSelectedPort(const QString& target) {
  const clSerialPort* port = Selected();
  if (port == nullptr || ComPortNumber(port->Name()) < 1) return false;
  if (!target.isEmpty() && !IsMappingTarget(target.toStdString())) return false;
  StorePortMapping(mappingPath_, QString::fromStdString(port->Name()), target);
  ShowDevices();
  ShowDeviceChoices();
  return true;
}

// The "Device" column: what each port opens, absent devices marked.
void CPortDlg::ShowDevices() {
  const std::string path = mappingPath_.toStdString();
  for (int i = 0; i < portList->topLevelItemCount() && i < ports_.Count(); ++i) {
    const clPortDevice what = DescribePortDevice(ports_.At(i)->Name(), path, adapters_);
    QTreeWidgetItem* item = portList->topLevelItem(i);
    item->setText(1, QString::fromStdString(what.Text()));
    item->setToolTip(1, item->text(1));
    item->setForeground(1, what.present ? palette().text() : QBrush(kAbsentColor));
  }
}

// The device choices of the selected port: the default, the adapters present,
// the virtual lines, and the present mapping when it is none of those.
void CPortDlg::ShowDeviceChoices() {
  device->clear();
  const clSerialPort* port = Selected();
  const bool mappable = port != nullptr && ComPortNumber(port->Name()) > 0;
  device->setEnabled(mappable);
  otherDevice->setEnabled(mappable);
  if (port == nullptr) {
    deviceState->clear();
    return;
  }
  const std::string path = mappingPath_.toStdString();
  const clPortDevice what = DescribePortDevice(port->Name(), path, adapters_);
  deviceState->setText(QString::fromStdString(port->Name() + " opens " + what.Text()));
  if (!mappable) return;
  const int n = ComPortNumber(port->Name());
  device->addItem(QString("Default: /dev/ttyS%1").arg(n - 1), QString());
  for (const clSerialAdapter& adapter : adapters_) {
    const std::string stable = StableAdapterPath(adapter.path);
    const std::string text = AdapterText(adapter);
    device->addItem(QString::fromStdString(text.empty() ? stable : stable + " (" + text + ")"),
                    QString::fromStdString(stable));
  }
  for (const std::string& line : VirtualLineChoices())
    device->addItem(QString::fromStdString(line + " (virtual line)"), QString::fromStdString(line));
  const QString mapped = QString::fromStdString(PortMapping(port->Name(), path));
  int current = device->findData(mapped);
  if (current < 0) {
    device->addItem(QString::fromStdString(what.Text()), mapped);
    current = device->count() - 1;
  }
  device->setCurrentIndex(current);
}
