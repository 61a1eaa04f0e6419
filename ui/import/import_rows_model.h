#pragma once
#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

#include "model/tag_import.h"

// One column of the import checklist: its title and width in pixels.
struct CImportColumn {
  const char* title;
  int width;
};
inline constexpr CImportColumn kMasterImportColumns[] = {
    {"Sector", 60},  {"TagName", 180},  {"Type", 160},      {"IOA", 60},
    {"Scaling", 70}, {"ScaleType", 70}, {"rawmin", 60},     {"rawmax", 60},
    {"engmin", 60},  {"engmax", 60},    {"scalefactor", 65}};
inline constexpr CImportColumn kSlaveImportColumns[] = {
    {"Sector", 60},     {"TagName", 180},   {"Type", 160},    {"IOA", 60},
    {"EnableLink", 70}, {"LinkSector", 70}, {"LinkTag", 180}, {"InitialValue", 80}};

// The import checklist: the rows read from a workbook, one tick each (in the
// first column), with the texts of a master's or a slave's columns. Rows
// start ticked. User-interface thread only.
class CImportRowsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  CImportRowsModel(bool master, QObject* parent = nullptr);

  const CImportColumn* Columns() const;
  void SetRows(std::vector<clImportRow> rows);
  void Clear();
  void TickAll(bool ticked);
  // The ticked rows, in list order.
  std::vector<clImportRow> TickedRows() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const bool master_;
  std::vector<clImportRow> rows_;
  std::vector<QStringList> texts_;  // the cell texts of each row
  std::vector<char> ticked_;
};
