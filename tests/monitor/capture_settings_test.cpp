// The rules of the monitor's properties dialog.
#include "monitor/capture_settings.h"

#include <gtest/gtest.h>

#include "model/capture_device.h"
#include "runtime/serial_ports.h"

namespace {

TEST(CaptureSettingsTest, PortsMatchedWithoutCaseAndOnlyTheNameWhileRunning) {
  clSerialPorts ports;
  ports.AddDefaultPorts();
  EXPECT_EQ(ports.IndexOf("com3"), 2);
  EXPECT_EQ(ports.IndexOf("COM11"), -1);

  clIEC101CaptureDevice monitor;
  monitor.SetPort1Name("com3");
  clCaptureSettings s = clCaptureSettings::From(monitor);
  s.port1 = ports.At(ports.IndexOf(s.port1))->Name();  // the list's spelling
  s.port2 = "";                                        // no entry selected
  s.sizes = {2, 1, 3, 2};
  s.ApplyTo(monitor);
  EXPECT_EQ(monitor.Port1Name(), "COM3");
  EXPECT_EQ(monitor.Port2Name(), "COM2");
  EXPECT_EQ(monitor.IoaSize(), 3);

  monitor.SetRunning(true);
  s.name = "Tap";
  s.port1 = "COM9";
  s.sizes = {1, 2, 1, 1};
  s.ApplyTo(monitor);
  EXPECT_EQ(monitor.Name(), "Tap");
  EXPECT_EQ(monitor.Port1Name(), "COM3");
  EXPECT_EQ(monitor.IoaSize(), 3);
  s.name = "";
  s.ApplyTo(monitor);
  EXPECT_EQ(monitor.Name(), "Tap") << "an empty name keeps the old one";
  monitor.SetRunning(false);
}

}  // namespace
