#pragma once
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "model/tag_import.h"
#include "workbook/sheet_cells.h"

// What one read of a workbook gave: the rows of its template, or the message
// that says why there are none. `request` names the read it answers.
struct CWorkbookReadResult {
  int request = 0;
  QString error;
  std::vector<clImportRow> rows;
};

// Reads the import rows of workbooks off the user-interface thread. It lives
// in a thread the import dialog starts on its first read; Read runs there, one
// request after another in the order they were queued (that thread's event
// queue is the request queue), and Finished is the completion notice the
// dialog receives on its own thread. A read that is no longer wanted is
// stopped through its control and its result, naming an old request, is
// dropped by the dialog.
class CWorkbookReadWorker : public QObject {
  Q_OBJECT

 public:
  using Result = std::shared_ptr<const CWorkbookReadResult>;

  // Reads worksheet 1 of the file and the template rows in it; `control`
  // follows and may stop the read. Runs on the worker's thread.
  void Read(int request, const QString& path, std::shared_ptr<clReadControl> control);

 signals:
  void Finished(CWorkbookReadWorker::Result result);
};
