#include "ui/dialogs/slave_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "model/device.h"
#include "slave/slave_settings.h"
#include "ui/dialogs/dialog_fields.h"

namespace {

constexpr int32_t kLargestLinkAddress = 0xFFFF;

}  // namespace

CIEC101SlaveDlg::CIEC101SlaveDlg(clDevice& device, const clSerialPorts& ports, bool running,
                                 const QString& settingsPath, QWidget* parent)
    : CGeometryDialog("SlaveProperties", settingsPath, parent), device_(device) {
  setWindowTitle("IEC 870-5-101 Slave Properties");
  const clSlaveSettings s = clSlaveSettings::From(device);
  name = new QLineEdit(QString::fromStdString(s.name));
  linkAddress = new CNumberEdit(0, kLargestLinkAddress);
  linkAddress->SetInt(s.linkAddress);
  port = new CPortCombo(ports, s.port);
  sizes = new CFieldSizeGroup(s.sizes);
  for (QWidget* field : {static_cast<QWidget*>(linkAddress), static_cast<QWidget*>(port),
                         static_cast<QWidget*>(sizes)})
    field->setEnabled(DeviceFieldEnabled(false, running));

  auto* form = new QFormLayout;
  form->addRow("Name", name);
  form->addRow("Link Address", linkAddress);
  form->addRow("Serial Port", port);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(sizes);
  layout->addWidget(Buttons());
}

void CIEC101SlaveDlg::accept() {
  clSlaveSettings s = clSlaveSettings::From(device_);
  s.name = name->text().toStdString();
  if (linkAddress->isEnabled() && !linkAddress->ReadInt(&s.linkAddress))
    return RefuseNumber(linkAddress, "Link Address");
  s.port = port->PortName();
  s.sizes = sizes->Sizes();
  // A disabled link address (the device runs) is neither read nor stored.
  const std::string bad = s.Check(!linkAddress->isEnabled());
  if (!bad.empty()) return Refuse(QString::fromStdString(bad));
  s.ApplyTo(device_);
  CGeometryDialog::accept();
}
