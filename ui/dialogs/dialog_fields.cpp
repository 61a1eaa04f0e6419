#include "ui/dialogs/dialog_fields.h"

#include <QCheckBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLocale>
#include <cmath>

#include "model/tag_text.h"
#include "runtime/serial_ports.h"

namespace {

constexpr int kNumberWidth = 110;
constexpr int kNumberMaxWidth = 160;
constexpr int kOctetWidth = 44;
constexpr int32_t kLargestOctet = 255;
constexpr int32_t kLargestIoa = 0xFFFFFF;

QComboBox* SizeList(int32_t largest, int32_t size) {
  auto* combo = new QComboBox;
  for (int32_t n = 1; n <= largest; ++n) combo->addItem(QString::number(n), n);
  SelectByData(combo, size);
  return combo;
}

int32_t SelectedSize(const QComboBox* combo) {
  return combo->currentIndex() < 0 ? 0 : combo->currentData().toInt();
}

}  // namespace

CNumberEdit::CNumberEdit(int32_t bottom, int32_t top, QWidget* parent) : QLineEdit(parent) {
  auto* validator = new QIntValidator(bottom, top, this);
  validator->setLocale(QLocale::c());
  setValidator(validator);
  setMinimumWidth(kNumberWidth);
  setMaximumWidth(kNumberMaxWidth);
}

CNumberEdit::CNumberEdit(QWidget* parent) : QLineEdit(parent) {
  auto* validator = new QDoubleValidator(this);
  validator->setLocale(QLocale::c());
  validator->setNotation(QDoubleValidator::ScientificNotation);
  setValidator(validator);
  setMinimumWidth(kNumberWidth);
  setMaximumWidth(kNumberMaxWidth);
}

void CNumberEdit::SetInt(int64_t value) { setText(QString::number(value)); }

void CNumberEdit::SetDouble(double value) { setText(QString::fromStdString(NumberText(value))); }

QString CNumberEdit::Expectation() const {
  if (const auto* whole = qobject_cast<const QIntValidator*>(validator()))
    return QString("a whole number from %1 to %2").arg(whole->bottom()).arg(whole->top());
  return "a number";
}

bool CNumberEdit::ReadInt(int32_t* value) const {
  if (!hasAcceptableInput()) return false;
  bool ok = false;
  const int number = text().trimmed().toInt(&ok);
  if (ok && value) *value = number;
  return ok;
}

bool CNumberEdit::ReadDouble(double* value) const {
  if (!hasAcceptableInput()) return false;
  double number = 0;
  if (!ParseDecimal(text().toStdString(), number)) return false;
  if (value) *value = number;
  return true;
}

CPortCombo::CPortCombo(const clSerialPorts& ports, const std::string& name, QWidget* parent)
    : QComboBox(parent) {
  for (int32_t i = 0; i < ports.Count(); ++i) addItem(QString::fromStdString(ports.At(i)->Name()));
  setCurrentIndex(ports.IndexOf(name));
}

std::string CPortCombo::PortName() const {
  return currentIndex() < 0 ? std::string() : currentText().toStdString();
}

CFieldSizeGroup::CFieldSizeGroup(const clFieldSizes& sizes, QWidget* parent)
    : QGroupBox("Protocol Field Size Parameters", parent),
      linkAddress(SizeList(2, sizes.linkAddress)),
      sector(SizeList(2, sizes.sector)),
      ioa(SizeList(3, sizes.ioa)),
      cot(SizeList(2, sizes.cot)) {
  auto* form = new QFormLayout(this);
  form->addRow("Link Address", linkAddress);
  form->addRow("Sector", sector);
  form->addRow("IOA", ioa);
  form->addRow("COT", cot);
}

clFieldSizes CFieldSizeGroup::Sizes() const {
  clFieldSizes sizes;
  sizes.linkAddress = SelectedSize(linkAddress);
  sizes.sector = SelectedSize(sector);
  sizes.ioa = SelectedSize(ioa);
  sizes.cot = SelectedSize(cot);
  return sizes;
}

CIoaFields::CIoaFields(const clTagAddress& address, QWidget* parent)
    : QGroupBox("IOA", parent),
      ioa(new CNumberEdit(0, kLargestIoa)),
      structured(new QCheckBox("Enable Structure IOA")),
      high(new CNumberEdit(0, kLargestOctet)),
      middle(new CNumberEdit(0, kLargestOctet)),
      low(new CNumberEdit(0, kLargestOctet)) {
  ioa->SetInt(address.ioa);
  structured->setChecked(address.structured);
  high->SetInt(address.high);
  middle->SetInt(address.middle);
  low->SetInt(address.low);
  for (CNumberEdit* octet : {high, middle, low}) {
    octet->setMinimumWidth(kOctetWidth);
    octet->setMaximumWidth(kOctetWidth * 2);
  }
  auto* parts = new QHBoxLayout;
  parts->addWidget(high);
  parts->addWidget(new QLabel("/"));
  parts->addWidget(middle);
  parts->addWidget(new QLabel("/"));
  parts->addWidget(low);
  auto* form = new QFormLayout(this);
  form->addRow("IOA", ioa);
  form->addRow(structured);
  form->addRow("IOA Structure", parts);
  connect(structured, &QCheckBox::toggled, this, &CIoaFields::UpdateEnabling);
  UpdateEnabling();
}

void CIoaFields::UpdateEnabling() {
  ioa->setEnabled(!structured->isChecked());
  for (CNumberEdit* octet : {high, middle, low}) octet->setEnabled(structured->isChecked());
}

CNumberEdit* CIoaFields::Read(clTagAddress* address, QString* label) const {
  address->structured = structured->isChecked();
  *label = address->structured ? "IOA Structure" : "IOA";
  if (!address->structured) return ioa->ReadInt(&address->ioa) ? nullptr : ioa;
  if (!high->ReadInt(&address->high)) return high;
  if (!middle->ReadInt(&address->middle)) return middle;
  if (!low->ReadInt(&address->low)) return low;
  return nullptr;
}

QWidget* WithUnit(QWidget* field, const char* unit) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(field);
  layout->addWidget(new QLabel(unit));
  return row;
}

void SelectByData(QComboBox* combo, int value) { combo->setCurrentIndex(combo->findData(value)); }
