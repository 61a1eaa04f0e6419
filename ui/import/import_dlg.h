#pragma once
#include <QDialog>
#include <QTimer>
#include <memory>

#include "ui/import/workbook_read_worker.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QThread;
class QTreeView;
class CImportRowsModel;
class clDevice;
class clWorkspace;

// "Import Tags": reads a workbook's template rows into a checklist and imports
// the ticked ones into a stopped master or slave, replacing its sectors and
// tags. The workbook is read by a CWorkbookReadWorker on a thread of its own,
// so the window stays responsive and shows how far the read has come; choosing
// another file stops the read in progress, and closing the window stops it too.
//
// Threads: the dialog and its model belong to the user-interface thread; the
// worker's results arrive as queued notices naming their read.
class CImportDlg : public QDialog {
  Q_OBJECT

 public:
  CImportDlg(clWorkspace& workspace, clDevice& device, QWidget* parent = nullptr);
  ~CImportDlg() override;

  // Starts reading the workbook (the "..." button does after asking for one).
  void ReadWorkbook(const QString& path);
  // Whether "Import Tags" replaced the device's sectors and tags.
  bool Imported() const { return imported_; }
  // Whether a read is in progress.
  bool Reading() const { return control_ != nullptr; }

  QLineEdit* DeviceNameField() const { return deviceName_; }
  QLineEdit* FileField() const { return file_; }
  QTreeView* Checklist() const { return list_; }
  CImportRowsModel* Rows() const { return model_; }
  QPushButton* SelectAllButton() const { return selectAll_; }
  QPushButton* DeselectAllButton() const { return deselectAll_; }
  QPushButton* ImportButton() const { return import_; }
  QLabel* StatusLabel() const { return status_; }
  QProgressBar* Progress() const { return progress_; }

 private:
  void ChooseFile();
  void Finished(CWorkbookReadWorker::Result result);
  void ShowProgress();
  void FitColumns();
  void ImportTicked();
  void EnableListButtons(bool enabled);
  void StopReading();
  void Tell(const QString& text);

  clWorkspace& workspace_;
  clDevice& device_;
  QLineEdit* deviceName_;
  QLineEdit* file_;
  QTreeView* list_;
  CImportRowsModel* model_;
  QPushButton* selectAll_;
  QPushButton* deselectAll_;
  QPushButton* import_;
  QLabel* status_;
  QProgressBar* progress_;
  QTimer progressTimer_;
  QThread* thread_ = nullptr;               // started by the first read
  CWorkbookReadWorker* worker_ = nullptr;   // lives in thread_
  int request_ = 0;                         // the read whose result is wanted
  std::shared_ptr<clReadControl> control_;  // of that read, while it runs
  bool imported_ = false;
};
