#include "tests/model/workspace_helpers.h"

#include <cstdio>

namespace {

void FillTag(clTag& t, int32_t n) {
  t.SetId(100 + n);
  t.SetSectorId(200 + n);
  t.SetName("Täg€" + std::to_string(n));
  t.SetType(1 + n % 15);
  t.SetIoa(0x0A0B0C + n);
  t.SetReservedA(-7 - n);
  t.SetFlags(0x5);
  t.SetRawMax(32767.5);
  t.SetRawMin(-1.25);
  t.SetEngMax(100.125);
  t.SetEngMin(-3e-7);
  t.SetScaleFactor(0.1);
  t.SetScalingEnabled(true);
  t.SetStructuredIoa(true);
  t.SetLinkEnabled(true);
  t.SetLinkTarget(4242 + n);
  t.SetRawValue(-12.75 + n);
  t.SetQuality(clTag::kQualityUncertain);
  t.SetTimeStamp(clTimeStamp{2024, 2, 29, 23, 59, 58, 999});
  t.SetReservedB(0x7FFFFFFF - n);
  t.SetCause(20);
  t.SetCommandState(2);
}

std::unique_ptr<clSector> MakeSector(int32_t n, int32_t tags) {
  auto s = std::make_unique<clSector>();
  s->SetId(300 + n);
  s->SetDeviceId(400 + n);
  s->SetName("Séctor" + std::to_string(n));
  s->SetCommonAddress(65535 - n);
  s->SetActive(false);
  for (int32_t i = 0; i < tags; ++i) {
    auto t = std::make_unique<clTag>();
    FillTag(*t, n * 10 + i);
    s->Tags().Append(std::move(t));
  }
  return s;
}

void FillDevice(clDevice& d, int32_t n) {
  d.SetId(500 + n);
  d.SetName("Dévice Ÿ" + std::to_string(n));
  d.SetRetries(9);
  d.SetLinkAddress(0xFFFF);
  d.SetLinkAddressSize(2);
  d.SetSectorSize(1);
  d.SetCotSize(2);
  d.SetIoaSize(3);
  d.SetBalancedMode(true);
  d.SetGiPeriodSec(61);
  d.SetTimeSyncPeriodSec(62);
  d.SetAutoCreateTags(true);
  d.SetPortName("COM3");
  d.SetNextCommonAddress(77);
}

}  // namespace

void FillEveryField(clWorkspace& ws) {
  ws.InitNew();
  for (int32_t c = 0; c < clWorkspace::kCounterCount; ++c)
    ws.SetCounterValue(static_cast<clWorkspace::Counter>(c), 10 * c + 3);
  clSerialPort* port = ws.Ports().At(2);
  port->SetBaudRate(115200);
  port->SetStopBits(4);
  port->SetDataBits(7);
  port->SetParity(0x200);
  port->SetFlowControl(3);
  port->SetRtsPreKeyMs(11);
  port->SetRtsPostKeyMs(12);
  port->SetReadTimeoutMs(13);
  port->SetWriteTimeoutMs(14);
  auto extra = std::make_unique<clSerialPort>();
  extra->SetName("/dev/ttyÜSB0");
  ws.Ports().Add(std::move(extra));

  auto master = std::make_unique<clIEC101MasterDevice>();
  FillDevice(*master, 1);
  master->SetPollIntervalMs(250);
  master->SetReadTimeoutMs(900);
  master->SetTestPeriodSec(17);
  master->SetModemEnabled(true);
  master->SetPhoneNumber("ATDT0049 30 ÄÖÜ");
  master->SetDialTimeoutSec(45);
  master->Sectors()->Append(MakeSector(1, 3));
  master->Sectors()->Append(MakeSector(2, 0));
  ws.Masters().Append(std::move(master));
  ws.Masters().Append(std::make_unique<clIEC101MasterDevice>());

  auto slave = std::make_unique<clIEC101SlaveDevice>();
  FillDevice(*slave, 2);
  slave->Sectors()->Append(MakeSector(3, 2));
  ws.Slaves().Append(std::move(slave));

  auto monitor = std::make_unique<clIEC101CaptureDevice>();
  FillDevice(*monitor, 3);
  monitor->SetPort1Name("COM7");
  monitor->SetPort2Name("nowhere");
  for (int32_t i = 0; i < 2; ++i) {
    auto t = std::make_unique<clTag>();
    FillTag(*t, 90 + i);
    t->SetQuality(0x1F);
    monitor->Tags()->Append(std::move(t));
  }
  ws.Monitors().Append(std::move(monitor));
  ws.ColumnWidths().SetWidth("Custom layout é", 31, -5);
}

Bytes& Bytes::U8(uint8_t v) {
  b.push_back(v);
  return *this;
}
Bytes& Bytes::U16(uint16_t v) {
  return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8));
}
Bytes& Bytes::U32(uint32_t v) {
  return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16));
}
Bytes& Bytes::Raw(const std::string& text) {
  b.insert(b.end(), text.begin(), text.end());
  return *this;
}
Bytes& Bytes::Str(const std::string& text) {
  return U8(static_cast<uint8_t>(text.size())).Raw(text);
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char octet[4];
  for (uint8_t v : bytes) {
    std::snprintf(octet, sizeof octet, "%02X ", v);
    out += octet;
  }
  if (!out.empty()) out.pop_back();
  return out;
}
