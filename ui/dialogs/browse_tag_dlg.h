#pragma once
#include <cstdint>
#include <vector>

#include "ui/dialogs/geometry_dialog.h"

class QDialogButtonBox;
class QTreeWidget;
class clDevice;
class clSector;
class clTag;

// "Browse Tag": the sectors of a slave under the root "Sector", and for the
// selected sector the tags a command tag of the edited type may be linked to
// (LinkSuits), with their name, type and IOA. OK hands back the selected tag;
// nothing is changed here.
class CBrowseTagDlg : public CGeometryDialog {
  Q_OBJECT

 public:
  // `current`: the identity of the present link, shown selected when a tag
  // still has it.
  CBrowseTagDlg(const clDevice& device, int32_t commandType, int32_t current,
                const QString& settingsPath, QWidget* parent = nullptr);

  // The tag selected in the list; null when none is.
  clTag* Chosen() const;
  // Fills the list with the suitable tags of sector `index` (in device order).
  void ShowSector(int index);

  QTreeWidget* sectors;
  QTreeWidget* tags;

 private:
  void UpdateOk();

  int32_t commandType_;
  std::vector<clSector*> sectorList_;
  std::vector<clTag*> rows_;
  QDialogButtonBox* buttons_;
};
