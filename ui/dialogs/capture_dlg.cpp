#include "ui/dialogs/capture_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "model/capture_device.h"
#include "monitor/capture_settings.h"
#include "ui/dialogs/dialog_fields.h"

CIEC101CaptureDlg::CIEC101CaptureDlg(clIEC101CaptureDevice& device, const clSerialPorts& ports,
                                     bool running, const QString& settingsPath, QWidget* parent)
    : CGeometryDialog("MonitorProperties", settingsPath, parent), device_(device) {
  setWindowTitle("IEC 870-5-101 Monitor Properties");
  const clCaptureSettings s = clCaptureSettings::From(device);
  name = new QLineEdit(QString::fromStdString(s.name));
  port1 = new CPortCombo(ports, s.port1);
  port2 = new CPortCombo(ports, s.port2);
  sizes = new CFieldSizeGroup(s.sizes);
  for (QWidget* field :
       {static_cast<QWidget*>(port1), static_cast<QWidget*>(port2), static_cast<QWidget*>(sizes)})
    field->setEnabled(DeviceFieldEnabled(false, running));

  auto* form = new QFormLayout;
  form->addRow("Name", name);
  form->addRow("Port.1 (<--)", port1);
  form->addRow("Port.2 (-->)", port2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(sizes);
  layout->addWidget(Buttons());
}

void CIEC101CaptureDlg::accept() {
  clCaptureSettings s = clCaptureSettings::From(device_);
  s.name = name->text().toStdString();
  s.port1 = port1->PortName();
  s.port2 = port2->PortName();
  s.sizes = sizes->Sizes();
  const std::string bad = s.Check();
  if (!bad.empty()) return Refuse(QString::fromStdString(bad));
  s.ApplyTo(device_);
  CGeometryDialog::accept();
}
