#pragma once
#include <array>
#include <cstdint>

#include "ui/dialogs/geometry_dialog.h"

class CIoaFields;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class clDevice;
class clTag;

// "Tag Properties" of a slave tag: name, type, address, the link under "Tag
// Link (Simulation)" and the quality bits under "Quality Descriptor". "Browse"
// opens the tag browser for the type chosen in the dialog; the tag itself is
// written on OK only (clSlaveTagSettings).
class CSlaveTagDlg : public CGeometryDialog {
  Q_OBJECT

 public:
  // `device`: the slave whose tags the browser offers (the tag may not belong
  // to it yet: a new tag).
  CSlaveTagDlg(clTag& tag, const clDevice& device, const QString& settingsPath,
               QWidget* parent = nullptr);

  void accept() override;
  // The tag's type as chosen in the dialog.
  int32_t ChosenType() const;
  // The link the dialog holds (the browser's choice, until OK).
  int32_t LinkTarget() const { return linkTarget_; }
  // Makes `id` the dialog's link and shows its name (what the browser's OK does).
  void SetLinkTarget(int32_t id);

  QLineEdit* name;
  QComboBox* type;
  CIoaFields* address;
  QCheckBox* linkEnabled;
  QLineEdit* linkText;
  QPushButton* browse;
  // "Overflow", "Blocked", "Subtituted", "Not Topical", "Invalid".
  std::array<QCheckBox*, 5> quality;

 private:
  void Browse();

  clTag& tag_;
  const clDevice& device_;
  int32_t linkTarget_;
};
