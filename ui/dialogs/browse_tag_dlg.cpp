#include "ui/dialogs/browse_tag_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "model/device.h"
#include "model/sector.h"
#include "model/tag.h"
#include "model/tag_text.h"
#include "slave/slave_tag_settings.h"

namespace {

constexpr int kNameWidth = 170;
constexpr int kTypeWidth = 140;
constexpr int kIoaWidth = 60;
constexpr int kSectorTreeWidth = 160;

}  // namespace

CBrowseTagDlg::CBrowseTagDlg(const clDevice& device, int32_t commandType, int32_t current,
                             const QString& settingsPath, QWidget* parent)
    : CGeometryDialog("BrowseTag", settingsPath, parent), commandType_(commandType) {
  setWindowTitle("Browse Tag");
  sectors = new QTreeWidget;
  sectors->setHeaderHidden(true);
  sectors->setMinimumWidth(kSectorTreeWidth);
  auto* root = new QTreeWidgetItem(sectors, QStringList{"Sector"});
  if (const clSectors* list = device.Sectors()) {
    for (clSector* sector : *list->Items()) {
      auto* item = new QTreeWidgetItem(root, QStringList{QString::fromStdString(sector->Name())});
      item->setData(0, Qt::UserRole, static_cast<int>(sectorList_.size()));
      sectorList_.push_back(sector);
    }
  }
  root->setExpanded(true);

  tags = new QTreeWidget;
  tags->setRootIsDecorated(false);
  tags->setHeaderLabels({"Name", "Type", "IOA"});
  tags->setColumnWidth(0, kNameWidth);
  tags->setColumnWidth(1, kTypeWidth);
  tags->setColumnWidth(2, kIoaWidth);
  tags->setMinimumWidth(kNameWidth + kTypeWidth + kIoaWidth + 8);

  buttons_ = Buttons();
  auto* panes = new QHBoxLayout;
  panes->addWidget(sectors);
  panes->addWidget(tags, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(panes);
  layout->addWidget(buttons_);

  connect(sectors, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    const QVariant index = item ? item->data(0, Qt::UserRole) : QVariant();
    ShowSector(index.isValid() ? index.toInt() : -1);
  });
  connect(tags, &QTreeWidget::currentItemChanged, this, &CBrowseTagDlg::UpdateOk);
  connect(tags, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);

  clSector* currentSector = nullptr;
  clTag* currentTag = nullptr;
  if (FindTagById(device, current, &currentSector, &currentTag)) {
    for (size_t i = 0; i < sectorList_.size(); ++i)
      if (sectorList_[i] == currentSector)
        sectors->setCurrentItem(root->child(static_cast<int>(i)));
    for (size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i] == currentTag) tags->setCurrentItem(tags->topLevelItem(static_cast<int>(i)));
  }
  UpdateOk();
}

void CBrowseTagDlg::ShowSector(int index) {
  tags->clear();
  rows_.clear();
  if (index >= 0 && index < static_cast<int>(sectorList_.size()))
    rows_ = LinkCandidates(*sectorList_[static_cast<size_t>(index)], commandType_);
  for (const clTag* tag : rows_) {
    new QTreeWidgetItem(
        tags, QStringList{QString::fromStdString(tag->Name()), TagTypeName(tag->TagType()),
                          QString::number(tag->Ioa())});
  }
  UpdateOk();
}

clTag* CBrowseTagDlg::Chosen() const {
  const int row = tags->indexOfTopLevelItem(tags->currentItem());
  return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(row)]
                                                          : nullptr;
}

void CBrowseTagDlg::UpdateOk() {
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(Chosen() != nullptr);
}
