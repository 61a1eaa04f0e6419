#include "ui/import/import_dlg.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QThread>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "model/device.h"
#include "ui/import/import_rows_model.h"

namespace {

constexpr int kProgressPeriodMs = 100;
constexpr const char* kWorkbookFilter =
    "Workbooks (*.xlsx *.xlsm *.xls *.ods *.csv);;Excel 2007 (*.xlsx);;Excel 2000 (*.xls);;"
    "OpenDocument (*.ods);;Text CSV (*.csv);;All Files (*)";

}  // namespace

CImportDlg::CImportDlg(clWorkspace& workspace, clDevice& device, QWidget* parent)
    : QDialog(parent), workspace_(workspace), device_(device) {
  qRegisterMetaType<CWorkbookReadWorker::Result>();
  setWindowTitle("Import Tags");
  const bool master = device.Kind() == clDevice::kMaster;

  deviceName_ = new QLineEdit(QString::fromStdString(device.Name()));
  deviceName_->setReadOnly(true);
  file_ = new QLineEdit;
  file_->setReadOnly(true);
  auto* browse = new QPushButton("...");
  browse->setFixedWidth(32);
  connect(browse, &QPushButton::clicked, this, &CImportDlg::ChooseFile);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(file_);
  fileRow->addWidget(browse);
  auto* form = new QFormLayout;
  form->addRow("Device Name", deviceName_);
  form->addRow("Excel File", fileRow);

  model_ = new CImportRowsModel(master, this);
  list_ = new QTreeView;
  list_->setModel(model_);
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAlternatingRowColors(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (int c = 0; c < model_->columnCount(); ++c)
    list_->header()->resizeSection(c, model_->Columns()[c].width);
  list_->header()->setStretchLastSection(false);

  status_ = new QLabel;
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  progress_ = new QProgressBar;
  progress_->setRange(0, kImportRowEnd - 1);
  progress_->setFormat("row %v");
  progress_->hide();
  progressTimer_.setInterval(kProgressPeriodMs);
  connect(&progressTimer_, &QTimer::timeout, this, &CImportDlg::ShowProgress);

  selectAll_ = new QPushButton("Select All");
  deselectAll_ = new QPushButton("Deselect All");
  import_ = new QPushButton("Import Tags");
  connect(selectAll_, &QPushButton::clicked, this, [this] { model_->TickAll(true); });
  connect(deselectAll_, &QPushButton::clicked, this, [this] { model_->TickAll(false); });
  connect(import_, &QPushButton::clicked, this, &CImportDlg::ImportTicked);
  EnableListButtons(false);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(selectAll_);
  buttonRow->addWidget(deselectAll_);
  buttonRow->addWidget(import_);
  buttonRow->addStretch();
  buttonRow->addWidget(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(list_, 1);
  layout->addWidget(progress_);
  layout->addWidget(status_);
  layout->addLayout(buttonRow);
  int width = 0;
  for (int c = 0; c < model_->columnCount(); ++c) width += model_->Columns()[c].width;
  resize(width + 40, 460);
}

CImportDlg::~CImportDlg() {
  StopReading();
  if (thread_) {
    thread_->quit();
    thread_->wait();
  }
}

void CImportDlg::ChooseFile() {
  const QString path =
      QFileDialog::getOpenFileName(this, "Excel File", file_->text(), kWorkbookFilter);
  if (!path.isEmpty()) ReadWorkbook(path);
}

void CImportDlg::StopReading() {
  if (control_) control_->Stop();
  control_.reset();
  progressTimer_.stop();
  progress_->hide();
}

void CImportDlg::ReadWorkbook(const QString& path) {
  StopReading();  // the read in progress gives up; its result will be stale
  if (!thread_) {
    thread_ = new QThread(this);
    thread_->setObjectName("workbook reader");
    worker_ = new CWorkbookReadWorker;
    worker_->moveToThread(thread_);
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &CWorkbookReadWorker::Finished, this, &CImportDlg::Finished);
    thread_->start();
  }
  file_->setText(path);
  model_->Clear();
  EnableListButtons(false);
  status_->setText("Reading " + QFileInfo(path).fileName() + " ...");
  progress_->setValue(0);
  progress_->show();
  progressTimer_.start();
  const int request = ++request_;
  control_ = std::make_shared<clReadControl>();
  QMetaObject::invokeMethod(
      worker_,
      [worker = worker_, request, path, control = control_] {
        worker->Read(request, path, control);
      },
      Qt::QueuedConnection);
}

void CImportDlg::ShowProgress() {
  if (control_)
    progress_->setValue(static_cast<int>(std::min<uint64_t>(control_->Row(), kImportRowEnd - 1)));
}

void CImportDlg::Finished(CWorkbookReadWorker::Result result) {
  if (!result || result->request != request_ || !control_) return;  // a read given up
  control_.reset();
  progressTimer_.stop();
  progress_->hide();
  const size_t count = result->rows.size();
  model_->SetRows(result->rows);
  FitColumns();
  EnableListButtons(true);
  if (!result->error.isEmpty()) {
    status_->setText("<span style=\"color:#b00020\">" + result->error.toHtmlEscaped() + "</span>");
  } else {
    status_->setText(
        QString("%1 tag rows read from %2").arg(count).arg(QFileInfo(file_->text()).fileName()));
  }
}

void CImportDlg::FitColumns() {
  // The template's widths are the least a column gets: a longer title, type
  // name or number widens it rather than being cut short.
  QHeaderView* header = list_->header();
  header->resizeSections(QHeaderView::ResizeToContents);
  for (int c = 0; c < model_->columnCount(); ++c)
    header->resizeSection(c, std::max(header->sectionSize(c), model_->Columns()[c].width));
  // The window grows to show every column, as far as the screen allows.
  const int missing = header->length() - list_->viewport()->width();
  if (missing > 0 && isVisible()) {
    const int room = screen() ? screen()->availableGeometry().width() : width() + missing;
    const int wanted = width() + missing + list_->verticalScrollBar()->sizeHint().width();
    resize(std::max(width(), std::min(wanted, room)), height());
  }
}

void CImportDlg::ImportTicked() {
  const std::vector<clImportRow> ticked = model_->TickedRows();
  const std::string refusal = ImportTags(workspace_, device_, ticked);
  if (!refusal.empty()) {
    Tell(QString::fromStdString(refusal));
    return;
  }
  imported_ = true;
  model_->Clear();
  EnableListButtons(false);
  status_->setText(QString("%1 tags imported into %2")
                       .arg(ticked.size())
                       .arg(QString::fromStdString(device_.Name())));
}

void CImportDlg::EnableListButtons(bool enabled) {
  selectAll_->setEnabled(enabled);
  deselectAll_->setEnabled(enabled);
  import_->setEnabled(enabled);
}

void CImportDlg::Tell(const QString& text) {
  QMessageBox::warning(this, "Telvane", text, QMessageBox::Ok);
}
