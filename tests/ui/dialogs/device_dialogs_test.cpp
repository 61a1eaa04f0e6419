// The property dialogs of devices and sectors and the port settings, opened on
// real workspace objects: what they show, what OK stores, what Cancel leaves.
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "model/workspace_file.h"
#include "runtime/port_settings.h"
#include "tests/ui/dialogs/dialog_test_helpers.h"
#include "tests/ui/ui_test_helpers.h"
#include "ui/dialogs/capture_dlg.h"
#include "ui/dialogs/dialog_fields.h"
#include "ui/dialogs/dialogs.h"
#include "ui/dialogs/master_dlg.h"
#include "ui/dialogs/port_dlg.h"
#include "ui/dialogs/sector_dlg.h"
#include "ui/dialogs/slave_dlg.h"

class DeviceDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { IsolateSettings(folder_); }

  void Master_ShowsStoresAndKeepsWhatTheRulesSay();
  void Master_RunningOffersNameAndModemOnly();
  void SlaveAndMonitor_PortsByNameSizesAndRunningRules();
  void Sector_CommonAddressMustFitTheDevicesField();
  void Ports_ChangesApplyAtOnceAndAddSerialAppends();
  void Ports_MappingGoesToTheSettingsFileNotTheWorkspace();
  void Screenshots();

 private:
  QString Settings() const { return folder_.filePath("geometry.conf"); }
  QTemporaryDir folder_;
};

void DeviceDialogsTest::Master_ShowsStoresAndKeepsWhatTheRulesSay() {
  CDialogWorkspace w;
  clIEC101MasterDevice& m = *w.master;
  m.SetPortName("com3");
  m.SetReadTimeoutMs(700);
  m.SetIoaSize(3);
  m.SetBalancedMode(false);
  {
    CIEC101MasterDlg dialog(m, w.workspace.Ports(), false, Settings());
    QCOMPARE(dialog.port->currentText(), QString("COM3"));
    QCOMPARE(dialog.readTimeout->text(), QString("700"));
    QCOMPARE(dialog.sizes->ioa->currentText(), QString("3"));
    QVERIFY(!dialog.testPeriod->isEnabled());
    dialog.balancedMode->setChecked(true);
    QVERIFY(dialog.testPeriod->isEnabled());
    dialog.readTimeout->setText("100");
    dialog.linkAddress->setText("513");
    dialog.sizes->ioa->setCurrentIndex(0);
    dialog.name->clear();
    dialog.reject();
  }
  QCOMPARE(m.LinkAddress(), 1);  // Cancel wrote nothing
  QCOMPARE(m.IoaSize(), 3);
  QVERIFY(!m.BalancedMode());

  CIEC101MasterDlg dialog(m, w.workspace.Ports(), false, Settings());
  dialog.balancedMode->setChecked(true);
  dialog.readTimeout->setText("100");
  dialog.linkAddress->setText("513");
  dialog.sizes->ioa->setCurrentIndex(0);
  dialog.name->clear();
  dialog.testPeriod->clear();  // not a number: OK is refused with a message
  QStringList told = AnswerMessages([&] { dialog.accept(); });
  QCOMPARE(told.size(), 1);
  QVERIFY(told[0].startsWith("Test Function"));
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  QCOMPARE(m.LinkAddress(), 1);
  dialog.testPeriod->setText("9");
  told = AnswerMessages([&] { dialog.accept(); });
  QCOMPARE(told, QStringList{"Link Address 513 does not fit 1 octet: use 0 to 255"});
  QCOMPARE(m.LinkAddress(), 1);
  dialog.sizes->linkAddress->setCurrentIndex(1);
  told = AnswerMessages([&] { dialog.accept(); });
  QVERIFY(told.isEmpty());
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(m.ReadTimeoutMs(), 700);  // 100 is not above 100
  QCOMPARE(m.LinkAddress(), 513);
  QCOMPARE(m.LinkAddressSize(), 2);
  QCOMPARE(m.IoaSize(), 1);
  QVERIFY(m.BalancedMode());
  QCOMPARE(m.TestPeriodSec(), 9);
  QCOMPARE(m.Name(), std::string("Master1"));   // empty keeps the name
  QCOMPARE(m.PortName(), std::string("COM3"));  // the list's spelling

  // The dialog reopens at the size it was left with.
  CIEC101MasterDlg first(m, w.workspace.Ports(), false, Settings());
  first.show();
  first.resize(first.width() + 120, first.height() + 40);
  const QSize left = first.size();
  first.reject();
  CIEC101MasterDlg second(m, w.workspace.Ports(), false, Settings());
  second.show();
  QCOMPARE(second.size(), left);
  second.reject();
}

void DeviceDialogsTest::Master_RunningOffersNameAndModemOnly() {
  CDialogWorkspace w;
  clIEC101MasterDevice& m = *w.master;
  m.SetRunning(true);
  CIEC101MasterDlg dialog(m, w.workspace.Ports(), true, Settings());
  QList<QWidget*> enabled;
  for (QWidget* field : dialog.findChildren<QWidget*>())
    if ((qobject_cast<QLineEdit*>(field) || qobject_cast<QComboBox*>(field) ||
         qobject_cast<QCheckBox*>(field)) &&
        field->isEnabledTo(&dialog))
      enabled.append(field);
  QCOMPARE(enabled.size(), 4);
  for (QWidget* field :
       QList<QWidget*>{dialog.name, dialog.modemEnabled, dialog.phoneNumber, dialog.dialTimeout})
    QVERIFY(enabled.contains(field));
  dialog.name->setText("Feeder");
  dialog.modemEnabled->setChecked(true);
  dialog.phoneNumber->setText("ATD0815");
  dialog.dialTimeout->setText("45");
  dialog.retries->setText("not a number");  // disabled: neither read nor refused
  QVERIFY(AnswerMessages([&] { dialog.accept(); }).isEmpty());
  QCOMPARE(m.Name(), std::string("Feeder"));
  QVERIFY(m.ModemEnabled());
  QCOMPARE(m.PhoneNumber(), std::string("ATD0815"));
  QCOMPARE(m.DialTimeoutSec(), 45);
  QCOMPARE(m.Retries(), 3);
  m.SetRunning(false);
}

void DeviceDialogsTest::SlaveAndMonitor_PortsByNameSizesAndRunningRules() {
  CDialogWorkspace w;
  clIEC101SlaveDevice& s = *w.slave;
  s.SetPortName("com7");
  {
    CIEC101SlaveDlg dialog(s, w.workspace.Ports(), false, Settings());
    QCOMPARE(dialog.port->currentText(), QString("COM7"));
    QCOMPARE(dialog.sizes->sector->currentText(), QString("2"));
    dialog.linkAddress->setText("12");
    dialog.port->setCurrentIndex(1);
    dialog.sizes->cot->setCurrentIndex(1);
    dialog.reject();
    QCOMPARE(s.LinkAddress(), 1);
    QCOMPARE(s.PortName(), std::string("com7"));
  }
  {
    CIEC101SlaveDlg dialog(s, w.workspace.Ports(), false, Settings());
    dialog.linkAddress->setText("12");
    dialog.port->setCurrentIndex(1);
    dialog.sizes->cot->setCurrentIndex(1);
    dialog.name->setText("Station \xE2\x86\x92 2");  // a character the file cannot keep
    QCOMPARE(AnswerMessages([&] { dialog.accept(); }).size(), 1);
    QCOMPARE(s.LinkAddress(), 1);
    dialog.name->setText("Station 2");
    dialog.accept();
    QCOMPARE(s.LinkAddress(), 12);
    QCOMPARE(s.PortName(), std::string("COM2"));
    QCOMPARE(s.CotSize(), 2);
    QCOMPARE(s.Name(), std::string("Station 2"));
  }
  s.SetRunning(true);
  {
    CIEC101SlaveDlg dialog(s, w.workspace.Ports(), true, Settings());
    QVERIFY(!dialog.linkAddress->isEnabled() && !dialog.port->isEnabled());
    QVERIFY(!dialog.sizes->isEnabled() && dialog.name->isEnabled());
  }
  s.SetRunning(false);

  clIEC101CaptureDevice& m = *w.monitor;
  m.SetPort1Name("com4");
  m.SetPort2Name("gone");
  CIEC101CaptureDlg dialog(m, w.workspace.Ports(), false, Settings());
  QCOMPARE(dialog.port1->currentText(), QString("COM4"));
  QCOMPARE(dialog.port2->currentIndex(), -1);  // no port of that name
  dialog.sizes->linkAddress->setCurrentIndex(1);
  dialog.accept();
  QCOMPARE(m.Port1Name(), std::string("COM4"));
  QCOMPARE(m.Port2Name(), std::string("gone"));  // nothing chosen: kept
  QCOMPARE(m.LinkAddressSize(), 2);
}

void DeviceDialogsTest::Sector_CommonAddressMustFitTheDevicesField() {
  CDialogWorkspace w;
  clSector& sector = *w.masterSector;
  w.master->SetSectorSize(1);
  CSectorDlg dialog(sector, w.master->SectorSize(), Settings());
  QCOMPARE(dialog.commonAddress->text(), QString("1"));
  QVERIFY(dialog.active->isChecked());
  dialog.name->setText("Feeder");
  dialog.commonAddress->setText("256");  // typed, but more than one octet holds
  dialog.active->setChecked(false);
  QStringList told = AnswerMessages([&] { dialog.accept(); });
  QCOMPARE(told.size(), 1);
  QCOMPARE(sector.Name(), std::string("Sector1"));
  dialog.commonAddress->setText("255");
  QVERIFY(AnswerMessages([&] { dialog.accept(); }).isEmpty());
  QCOMPARE(sector.Name(), std::string("Feeder"));
  QCOMPARE(sector.CommonAddress(), 255);
  QVERIFY(!sector.Active());
}

void DeviceDialogsTest::Ports_ChangesApplyAtOnceAndAddSerialAppends() {
  CDialogWorkspace w;
  clSerialPorts& ports = w.workspace.Ports();
  ports.At(2)->SetBaudRate(57600);  // a rate the list does not offer
  ports.At(2)->SetParity(clSerialPort::kParityMark);
  CPortDlg dialog(ports, folder_.filePath("ports.conf"), Settings());
  QDialogButtonBox* buttons = dialog.findChild<QDialogButtonBox*>();
  QCOMPARE(buttons->buttons().size(), 1);  // OK only: nothing to cancel
  QCOMPARE(dialog.portList->currentItem()->text(0), QString("COM1"));
  QCOMPARE(dialog.baudRate->currentData().toInt(), 9600);

  dialog.SelectPort(2);
  QCOMPARE(dialog.baudRate->currentText(), QString("57600"));
  QCOMPARE(dialog.parity->currentText(), QString("Mark"));
  dialog.SelectPort(1);
  dialog.baudRate->setCurrentIndex(dialog.baudRate->findData(19200));
  emit dialog.baudRate->activated(dialog.baudRate->currentIndex());
  QCOMPARE(ports.At(1)->BaudRate(), 19200);  // at once, before OK
  QVERIFY(!dialog.preKey->isEnabled());
  dialog.flowControl->setCurrentIndex(3);
  emit dialog.flowControl->activated(3);
  QCOMPARE(ports.At(1)->FlowControl(), 3);
  QVERIFY(dialog.preKey->isEnabled() && dialog.postKey->isEnabled());
  QTest::keyClicks(dialog.preKey, "5");
  QCOMPARE(ports.At(1)->RtsPreKeyMs(), 1005);
  QVERIFY(dialog.Changed());
  // Showing another port changed nothing of the one shown before.
  QCOMPARE(ports.At(2)->BaudRate(), 57600);
  QCOMPARE(ports.At(2)->Parity(), int32_t(clSerialPort::kParityMark));

  dialog.addSerial->click();
  dialog.addSerial->click();
  QCOMPARE(ports.Count(), 12);
  QCOMPARE(ports.At(11)->Name(), std::string("COM12"));
  QCOMPARE(dialog.portList->currentItem()->text(0), QString("COM12"));
  QCOMPARE(ports.At(11)->BaudRate(), 9600);

  // Through the document's entry point: true only when the ports changed.
  CDialogRequest request{CDialog::kSerialPorts};
  request.workspace = &w.workspace;
  bool changed = true;
  QVERIFY(AnswerDialog<CPortDlg>([&] { changed = RunDialog(nullptr, request); },
                                 [](CPortDlg& d) { d.accept(); }));
  QVERIFY(!changed);
  QVERIFY(AnswerDialog<CPortDlg>([&] { changed = RunDialog(nullptr, request); },
                                 [](CPortDlg& d) {
                                   d.addSerial->click();
                                   d.reject();  // the close box: what was done stays
                                 }));
  QVERIFY(changed);
  QCOMPARE(ports.Count(), 13);
}

void DeviceDialogsTest::Ports_MappingGoesToTheSettingsFileNotTheWorkspace() {
  CDialogWorkspace w;
  const QString mapping = folder_.filePath("mapping.conf");
  {
    QFile file(mapping);
    QVERIFY(file.open(QIODevice::WriteOnly));
    // The same port in another case, and the options' sections.
    file.write(
        "[Option]\nAutoRun=1\n\n[Ports]\ncom4=/dev/old\n\n[Recent File List]\nFile1=/a.cf1\n");
  }
  const QString before = folder_.filePath("before.cf1");
  QVERIFY(SaveWorkspaceFile(w.workspace, before.toStdString()).empty());

  CPortDlg dialog(w.workspace.Ports(), mapping, Settings());
  QTemporaryDir devices;
  // A by-id name as udev writes odd characters: the backslash is part of it.
  const QString tty = devices.filePath("usb-A\\x2fB;C-port0");
  QFile(tty).open(QIODevice::WriteOnly);
  dialog.SetAdapters({{tty.toStdString(), "USB UART", "FTDI", "A1"}});
  dialog.SelectPort(3);  // COM4
  QVERIFY(dialog.portList->topLevelItem(3)->text(1).contains("absent"));
  const int offered = dialog.device->findData(tty);
  QVERIFY(offered > 0);
  dialog.device->setCurrentIndex(offered);
  emit dialog.device->activated(offered);
  QCOMPARE(ResolvePortTarget("COM4", mapping.toStdString()), tty.toStdString());
  QVERIFY(dialog.portList->topLevelItem(3)->text(1).contains("FTDI"));
  {
    QFile file(mapping);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(!text.contains("com4", Qt::CaseSensitive), qPrintable(text));  // one entry left
    QVERIFY2(text.contains("[Recent File List]\nFile1=/a.cf1"), qPrintable(text));
    QVERIFY2(text.contains("AutoRun=1"), qPrintable(text));
  }

  dialog.SelectPort(4);                    // COM5: a virtual line, typed
  dialog.otherDevice->setText("ttyUSB9");  // neither a path nor a line: refused
  emit dialog.otherDevice->editingFinished();
  QCOMPARE(ResolvePortTarget("COM5", mapping.toStdString()), std::string("/dev/ttyS4"));
  dialog.otherDevice->setText("vline5-b");
  emit dialog.otherDevice->editingFinished();
  QCOMPARE(ResolvePortTarget("COM5", mapping.toStdString()), std::string("vline5-b"));
  QVERIFY(!dialog.Changed());         // the workspace did not change
  dialog.device->setCurrentIndex(0);  // back to the default device
  emit dialog.device->activated(0);
  QCOMPARE(ResolvePortTarget("COM5", mapping.toStdString()), std::string("/dev/ttyS4"));

  const QString after = folder_.filePath("after.cf1");
  QVERIFY(SaveWorkspaceFile(w.workspace, after.toStdString()).empty());
  QFile a(before), b(after);
  QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
  QCOMPARE(a.readAll(), b.readAll());
}

// Pictures of the dialogs for the documentation, when asked for:
// TELVANE_SCREENSHOTS=<folder>.
void DeviceDialogsTest::Screenshots() {
  const QString out = qEnvironmentVariable("TELVANE_SCREENSHOTS");
  if (out.isEmpty()) QSKIP("TELVANE_SCREENSHOTS names no folder");
  const auto save = [&out](QDialog& dialog, const char* name) {
    dialog.show();
    QVERIFY(dialog.grab().save(out + "/" + name));
  };
  CDialogWorkspace w;
  w.master->SetName("Substation Master");
  w.master->SetPortName("COM3");
  CIEC101MasterDlg master(*w.master, w.workspace.Ports(), false, QString());
  save(master, "master_properties.png");
  const QString mapping = folder_.filePath("shot.conf");
  // What this computer has, plus a virtual line and an adapter that is unplugged.
  StorePortMapping(mapping, "COM3", "VLINE1-A");
  StorePortMapping(mapping, "COM4",
                   "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  CPortDlg ports(w.workspace.Ports(), mapping, QString());
  ports.SelectPort(3);
  save(ports, "port_settings.png");
  CIEC101SlaveDlg slave(*w.slave, w.workspace.Ports(), true, QString());
  save(slave, "slave_properties.png");
  CIEC101CaptureDlg monitor(*w.monitor, w.workspace.Ports(), false, QString());
  save(monitor, "monitor_properties.png");
  CSectorDlg sector(*w.masterSector, 2, QString());
  save(sector, "sector_properties.png");
}

QTEST_MAIN(DeviceDialogsTest)
#include "device_dialogs_test.moc"
