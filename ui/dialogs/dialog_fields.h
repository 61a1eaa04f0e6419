#pragma once
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <cstdint>
#include <string>

#include "model/object_settings.h"

class QCheckBox;
class clSerialPorts;

// Fields the property dialogs share. They only show and read values; the rules
// stay with the settings classes they are read into.

// A number field: a line edit whose validator refuses what is not a number of
// its range while typing (whole numbers, or decimals written with '.').
class CNumberEdit : public QLineEdit {
  Q_OBJECT

 public:
  // A whole-number field from `bottom` to `top`.
  CNumberEdit(int32_t bottom, int32_t top, QWidget* parent = nullptr);
  // A decimal field (any finite number).
  explicit CNumberEdit(QWidget* parent = nullptr);

  void SetInt(int64_t value);
  void SetDouble(double value);
  // False when the text is not a complete number of the field's range.
  bool ReadInt(int32_t* value) const;
  bool ReadDouble(double* value) const;
  // What the field takes, for a refusal: "a whole number from 0 to 255".
  QString Expectation() const;
};

// A drop-down list of the workspace's ports, in list order; selects the port
// named like `name` without regard to letter case (none when there is none).
class CPortCombo : public QComboBox {
  Q_OBJECT

 public:
  CPortCombo(const clSerialPorts& ports, const std::string& name, QWidget* parent = nullptr);
  // The selected port's name as the list spells it; "" when none is selected.
  std::string PortName() const;
};

// "Protocol Field Size Parameters": the lists "Link Address" (1, 2), "Sector"
// (1, 2), "IOA" (1, 2, 3) and "COT" (1, 2), each showing the device's size.
class CFieldSizeGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit CFieldSizeGroup(const clFieldSizes& sizes, QWidget* parent = nullptr);
  // The sizes selected; a list without a selection (a size the file brought
  // in that the list does not offer) gives 0, which the rules keep as it was.
  clFieldSizes Sizes() const;

  QComboBox* linkAddress;
  QComboBox* sector;
  QComboBox* ioa;
  QComboBox* cot;
};

// The address fields of the tag dialogs: "IOA" as one number, "Enable
// Structure IOA", and "IOA Structure" as three octets separated by "/". Only
// the fields of the chosen form are enabled.
class CIoaFields : public QGroupBox {
  Q_OBJECT

 public:
  explicit CIoaFields(const clTagAddress& address, QWidget* parent = nullptr);
  // Reads the fields of the chosen form; the first field that does not hold a
  // number of its range is returned, with its label, and nothing else is read.
  CNumberEdit* Read(clTagAddress* address, QString* label) const;
  // Applies the enabling rule: one number or the structure.
  void UpdateEnabling();

  CNumberEdit* ioa;
  QCheckBox* structured;
  CNumberEdit* high;
  CNumberEdit* middle;
  CNumberEdit* low;
};

// A field with its unit after it: "(milli seconds)", "(seconds)".
QWidget* WithUnit(QWidget* field, const char* unit);

// Selects the entry whose item data equals `value`; none when no entry has it.
void SelectByData(QComboBox* combo, int value);
