#include "ui/traffic/monitor_dlg.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

#include "model/device.h"
#include "ui/icons/icons.h"
#include "ui/traffic/rtf_writer.h"
#include "ui/traffic/traffic_view.h"

namespace {

constexpr const char* kMessageTitle = "Telvane";
// Formatted text kept beyond twice the text length, for a window that could not
// take it in time; older text would be cut from the window anyway.
constexpr size_t kBacklogMargin = 64 * 1024;

QCheckBox* AddCheckBox(QBoxLayout* row, const QString& text, bool checked) {
  auto* box = new QCheckBox(text);
  box->setChecked(checked);
  row->addWidget(box);
  return box;
}

QPushButton* AddButton(QBoxLayout* row, const QString& text) {
  auto* button = new QPushButton(text);
  button->setAutoDefault(false);
  row->addWidget(button);
  return button;
}

}  // namespace

CMonitorDlg::CMonitorDlg(clDevice& device, clTrafficDrain& drain, QWidget* parent)
    : QWidget(parent, Qt::Window), device_(device), drain_(drain) {
  setWindowIcon(SvgIcon("monitor"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  QPalette background = palette();
  background.setColor(QPalette::Window, Qt::white);
  setPalette(background);
  setAutoFillBackground(true);
  CreateControls();
  resize(kWidth, kHeight);
  UpdateTitle();
  SetTextLength(view_->TextLength());
  OnFilterChanged();
  UpdateButtons();
  flushTimer_.setInterval(kFlushMs);
  connect(&flushTimer_, &QTimer::timeout, this, &CMonitorDlg::Flush);
}

CMonitorDlg::~CMonitorDlg() { Stop(); }

void CMonitorDlg::CreateControls() {
  view_ = new CTrafficView;
  auto* filters = new QHBoxLayout;
  start_ = AddButton(filters, "Start");
  stop_ = AddButton(filters, "Stop");
  rawMessage_ = AddCheckBox(filters, "Raw Message", true);
  translate_ = AddCheckBox(filters, "Translate", true);
  command_ = AddCheckBox(filters, "Command", false);
  changeOfState_ = AddCheckBox(filters, "Change Of State", false);
  filters->addStretch();

  auto* text = new QHBoxLayout;
  clear_ = AddButton(text, "Clear");
  structureIoa_ = AddCheckBox(text, "Structure IOA", false);
  pause_ = AddCheckBox(text, "Pause", false);
  text->addStretch();
  text->addWidget(new QLabel("Find:"));
  findBox_ = new QLineEdit;
  findBox_->setPlaceholderText("Ctrl+F");
  findBox_->setClearButtonEnabled(true);
  findBox_->installEventFilter(this);
  text->addWidget(findBox_);
  saveLog_ = AddButton(text, "Save Log");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(filters);
  layout->addLayout(text);

  connect(start_, &QPushButton::clicked, this, [this] { Start(); });
  connect(stop_, &QPushButton::clicked, this, &CMonitorDlg::Stop);
  connect(clear_, &QPushButton::clicked, this, &CMonitorDlg::Clear);
  connect(saveLog_, &QPushButton::clicked, this, &CMonitorDlg::SaveLog);
  for (QCheckBox* box : {rawMessage_, translate_, command_, changeOfState_, structureIoa_})
    connect(box, &QCheckBox::toggled, this, &CMonitorDlg::OnFilterChanged);
  connect(pause_, &QCheckBox::toggled, this, [this](bool on) { view_->SetPaused(on); });
  connect(findBox_, &QLineEdit::returnPressed, this, [this] { FindNext(false); });
  connect(findBox_, &QLineEdit::textChanged, this,
          [this] { findBox_->setStyleSheet(QString()); });
  connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
    findBox_->setFocus();
    findBox_->selectAll();
  });
  connect(new QShortcut(QKeySequence::FindNext, this), &QShortcut::activated, this,
          [this] { FindNext(false); });
  connect(new QShortcut(QKeySequence::FindPrevious, this), &QShortcut::activated, this,
          [this] { FindNext(true); });
}

bool CMonitorDlg::eventFilter(QObject* watched, QEvent* event) {
  // Shift+Return in the find box searches backwards.
  if (watched == findBox_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & Qt::ShiftModifier)) {
      FindNext(true);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool CMonitorDlg::Start() {
  if (!drain_.Start()) return false;
  flushTimer_.start();
  UpdateButtons();
  return true;
}

void CMonitorDlg::Stop() {
  flushTimer_.stop();
  if (drain_.IsStarted()) drain_.Stop();
  Flush();
  UpdateButtons();
}

bool CMonitorDlg::IsRunning() const { return drain_.IsStarted(); }

void CMonitorDlg::Clear() {
  // What was formatted but not shown yet goes too: the text starts afresh with
  // the boxes as they are now.
  drain_.Take();
  view_->clear();
}

void CMonitorDlg::Flush() { view_->AppendBatch(drain_.Take()); }

void CMonitorDlg::UpdateButtons() {
  const bool running = IsRunning();
  start_->setEnabled(!running);
  stop_->setEnabled(running);
}

void CMonitorDlg::OnFilterChanged() {
  // While a selective box is set, the other two count for nothing.
  const bool selective = command_->isChecked() || changeOfState_->isChecked();
  rawMessage_->setEnabled(!selective);
  translate_->setEnabled(!selective);
  clTrafficFilter filter;
  filter.rawMessage = rawMessage_->isChecked();
  filter.translate = translate_->isChecked();
  filter.command = command_->isChecked();
  filter.changeOfState = changeOfState_->isChecked();
  filter.structureIoa = structureIoa_->isChecked();
  drain_.SetFilter(filter);
}

void CMonitorDlg::SetTextLength(int length) {
  view_->SetTextLength(length);
  drain_.SetBacklogLimit(2 * static_cast<size_t>(std::max(length, 0)) + kBacklogMargin);
}

void CMonitorDlg::SetTextCut(int cut) { view_->SetTextCut(cut); }

void CMonitorDlg::UpdateTitle() { setWindowTitle(QString::fromStdString(device_.Name())); }

QString CMonitorDlg::ProposedLogName(const QDateTime& now) const {
  const QTime time = now.time();
  QString name = QString::asprintf("%s %.2d_%.2d%.2d%.2d", windowTitle().toUtf8().constData(),
                                   now.date().day(), time.hour(), time.minute(), time.second());
  // A device name may hold what a file name may not.
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  return name;
}

void CMonitorDlg::SaveLog() {
  if (IsRunning()) {
    QMessageBox::warning(this, kMessageTitle, kServiceStillRunning);
    return;
  }
  QFileDialog dialog(this, "Save Log", ProposedLogName(QDateTime::currentDateTime()),
                     kLogFilters);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("rtf");
  connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
    dialog.setDefaultSuffix(filter.contains("*.txt") ? "txt" : "rtf");
  });
  if (dialog.exec() != QDialog::Accepted) return;
  const QString path = dialog.selectedFiles().value(0);
  QString error;
  if (!path.isEmpty() && !SaveLogTo(path, &error)) {
    QMessageBox::warning(this, kMessageTitle, error);
  }
}

bool CMonitorDlg::SaveLogTo(const QString& path, QString* error) const {
  const bool plain = QFileInfo(path).suffix().compare("txt", Qt::CaseInsensitive) == 0;
  const QByteArray content =
      plain ? TrafficPlainText(*view_->document()) : TrafficRtf(*view_->document());
  // Written aside and renamed into place: a failed save leaves the old file whole.
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
      file.commit()) {
    return true;
  }
  if (error) *error = QString("Could not write '%1': %2").arg(path, file.errorString());
  return false;
}

bool CMonitorDlg::FindNext(bool backward) {
  const QString wanted = findBox_->text();
  if (wanted.isEmpty()) return false;
  const QTextDocument::FindFlags flags =
      backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  bool found = view_->find(wanted, flags);
  if (!found) {
    QTextCursor from = view_->textCursor();
    from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    view_->setTextCursor(from);
    found = view_->find(wanted, flags);
  }
  findBox_->setStyleSheet(found ? QString() : QString("QLineEdit { background: #ffd0d0; }"));
  return found;
}
