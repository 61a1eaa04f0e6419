#include "ui/import/workbook_read_worker.h"

#include "workbook/workbook_reader.h"

void CWorkbookReadWorker::Read(int request, const QString& path,
                               std::shared_ptr<clReadControl> control) {
  auto result = std::make_shared<CWorkbookReadResult>();
  result->request = request;
  clSheetCells cells(kImportRowEnd - 1, kImportColumnCount);
  cells.SetControl(control.get());
  const std::string reason = ReadWorkbookFile(path.toStdString(), cells);
  if (reason.empty()) {
    result->rows =
        ReadImportRows([&cells](int32_t row, int32_t column) { return cells.Text(row, column); });
  } else {
    result->error = QString::fromStdString(WorkbookReadMessage(path.toStdString(), reason));
  }
  emit Finished(result);
}
