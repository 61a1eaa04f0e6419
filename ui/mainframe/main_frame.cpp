#include "ui/mainframe/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

#include "model/capture_device.h"
#include "ui/icons/icons.h"
#include "ui/list/item_list.h"
#include "ui/options/options.h"
#include "ui/tree/tree_item.h"

namespace {

constexpr const char* kProductName = "Telvane";

// The port(s) a device uses, as the status bar shows them.
QString PortText(const clDevice& device) {
  if (auto* monitor = dynamic_cast<const clIEC101CaptureDevice*>(&device)) {
    return QString("%1, %2").arg(QString::fromStdString(monitor->Port1Name()),
                                 QString::fromStdString(monitor->Port2Name()));
  }
  return QString::fromStdString(device.PortName());
}

}  // namespace

CMainFrame::CMainFrame(CDoc& doc, QWidget* parent) : QMainWindow(parent), doc_(doc) {
  setWindowIcon(SvgIcon("telvane"));
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();

  splitter_ = new QSplitter(Qt::Horizontal, this);
  tree_ = new CTreeItem(doc_, [this](CCommand c) { return Action(c); }, splitter_);
  list_ = new CItemList(doc_, [this](CCommand c) { return Action(c); }, splitter_);
  rightPane_ = list_;
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 3);
  splitter_->setChildrenCollapsible(false);
  setCentralWidget(splitter_);

  connect(&doc_, &CDoc::StateChanged, this, &CMainFrame::OnStateChanged);
  connect(&doc_, &CDoc::RecentFilesChanged, this, &CMainFrame::UpdateRecentFiles);
  refreshTimer_.setInterval(kRefreshMs);
  connect(&refreshTimer_, &QTimer::timeout, &doc_, &CDoc::Refresh);
  refreshTimer_.start();
  resize(1100, 700);
  OnStateChanged();
  UpdateRecentFiles();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddCommand(CCommand command, const QString& text, const QString& icon,
                                const QKeySequence& shortcut) {
  auto* action = new QAction(text, this);
  if (!icon.isEmpty()) action->setIcon(SvgIcon(icon));
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  connect(action, &QAction::triggered, this, [this, command] { doc_.Run(command); });
  actions_.insert(static_cast<int>(command), action);
  return action;
}

void CMainFrame::CreateActions() {
  AddCommand(CCommand::kNew, "&New", "new", QKeySequence::New);
  AddCommand(CCommand::kOpen, "&Open...", "open", QKeySequence::Open);
  AddCommand(CCommand::kSave, "&Save", "save", QKeySequence::Save);
  AddCommand(CCommand::kSaveAs, "Save &As...", QString(), QKeySequence::SaveAs);
  AddCommand(CCommand::kEditAdd, "&Add", "add", QKeySequence(Qt::Key_Insert));
  AddCommand(CCommand::kNewDevice, "&Add", "add");
  AddCommand(CCommand::kDeleteDevice, "&Delete", "delete");
  AddCommand(CCommand::kDeviceProperties, "&Properties...", "properties");
  AddCommand(CCommand::kImport, "&Import...", "import");
  AddCommand(CCommand::kStart, "S&tart", "start", QKeySequence(Qt::Key_F5));
  AddCommand(CCommand::kStop, "St&op", "stop", QKeySequence(Qt::SHIFT | Qt::Key_F5));
  AddCommand(CCommand::kStartAll, "Start A&ll", "start_all");
  AddCommand(CCommand::kStopAll, "Stop All", "stop_all");
  AddCommand(CCommand::kMonitor, "&Monitor", "monitor");
  AddCommand(CCommand::kSerialPorts, "Serial &Ports...", "ports");
  AddCommand(CCommand::kAddSector, "&Add", "add");
  AddCommand(CCommand::kDeleteSector, "&Delete", "delete");
  AddCommand(CCommand::kSectorProperties, "&Properties...", "properties");
  AddCommand(CCommand::kNewTag, "&Add", "add");
  AddCommand(CCommand::kTagProperties, "&Properties...", "properties");
  AddCommand(CCommand::kWrite, "&Write...", "write");
  AddCommand(CCommand::kOption, "&Option...", "option");

  exit_ = new QAction("E&xit", this);
  exit_->setShortcut(QKeySequence::Quit);
  connect(exit_, &QAction::triggered, this, [this] {
    if (!doc_.CanClose(true)) return;
    exitConfirmed_ = true;
    close();
  });
  // The workspace list's commands.
  cut_ = AddCommand(CCommand::kCut, "Cu&t", QString(), QKeySequence::Cut);
  copy_ = AddCommand(CCommand::kCopy, "&Copy", QString(), QKeySequence::Copy);
  paste_ = AddCommand(CCommand::kPaste, "&Paste", QString(), QKeySequence::Paste);
  AddCommand(CCommand::kDeleteRows, "&Delete");
  for (QAction*& recent : recentFiles_) {
    recent = new QAction(this);
    connect(recent, &QAction::triggered, this,
            [this, recent] { doc_.OpenRecent(recent->data().toString()); });
  }
}

void CMainFrame::CreateMenus() {
  fileMenu_ = menuBar()->addMenu("&File");
  fileMenu_->addAction(Action(CCommand::kNew));
  fileMenu_->addAction(Action(CCommand::kOpen));
  fileMenu_->addAction(Action(CCommand::kSave));
  fileMenu_->addAction(Action(CCommand::kSaveAs));
  fileMenu_->addSeparator();
  for (QAction* recent : recentFiles_) fileMenu_->addAction(recent);
  recentSeparator_ = fileMenu_->addSeparator();
  fileMenu_->addAction(exit_);

  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->addAction(Action(CCommand::kEditAdd));
  edit->addSeparator();
  edit->addAction(cut_);
  edit->addAction(copy_);
  edit->addAction(paste_);
  edit->addAction(Action(CCommand::kDeleteRows));

  QMenu* view = menuBar()->addMenu("&View");
  // The tool bar's and status bar's own toggles are added in CreateToolBar and
  // CreateStatusBar; the options come last.
  view->setObjectName("viewMenu");

  QMenu* device = menuBar()->addMenu("&Device");
  device->addAction(Action(CCommand::kNewDevice));
  device->addAction(Action(CCommand::kDeleteDevice));
  device->addAction(Action(CCommand::kDeviceProperties));
  device->addSeparator();
  device->addAction(Action(CCommand::kStart));
  device->addAction(Action(CCommand::kStop));
  device->addAction(Action(CCommand::kStartAll));
  device->addAction(Action(CCommand::kStopAll));
  device->addSeparator();
  device->addAction(Action(CCommand::kMonitor));
  device->addAction(Action(CCommand::kImport));
  device->addSeparator();
  device->addAction(Action(CCommand::kSerialPorts));

  QMenu* sector = menuBar()->addMenu("&Sector");
  sector->addAction(Action(CCommand::kAddSector));
  sector->addAction(Action(CCommand::kDeleteSector));
  sector->addAction(Action(CCommand::kSectorProperties));

  QMenu* tag = menuBar()->addMenu("&Tag");
  tag->addAction(Action(CCommand::kNewTag));
  tag->addAction(Action(CCommand::kTagProperties));
  tag->addAction(Action(CCommand::kWrite));
}

void CMainFrame::CreateToolBar() {
  QToolBar* bar = addToolBar("Tool Bar");
  bar->setObjectName("toolBar");
  bar->setIconSize(QSize(kToolBarIconSize, kToolBarIconSize));
  bar->setMovable(false);
  for (CCommand c : {CCommand::kNew, CCommand::kOpen, CCommand::kSave}) bar->addAction(Action(c));
  bar->addSeparator();
  bar->addAction(Action(CCommand::kEditAdd));
  bar->addSeparator();
  for (CCommand c : {CCommand::kStart, CCommand::kStop, CCommand::kStartAll, CCommand::kStopAll})
    bar->addAction(Action(c));
  bar->addSeparator();
  for (CCommand c : {CCommand::kMonitor, CCommand::kWrite, CCommand::kImport})
    bar->addAction(Action(c));
  bar->addSeparator();
  for (CCommand c : {CCommand::kSerialPorts, CCommand::kOption}) bar->addAction(Action(c));
  QMenu* view = menuBar()->findChild<QMenu*>("viewMenu");
  view->addAction(bar->toggleViewAction());
}

void CMainFrame::CreateStatusBar() {
  statusDevice_ = new QLabel(this);
  statusBar()->addPermanentWidget(statusDevice_);
  QMenu* view = menuBar()->findChild<QMenu*>("viewMenu");
  auto* toggle = view->addAction("&Status Bar");
  toggle->setCheckable(true);
  toggle->setChecked(true);
  connect(toggle, &QAction::toggled, statusBar(), &QStatusBar::setVisible);
  view->addSeparator();
  view->addAction(Action(CCommand::kOption));
}

void CMainFrame::SetRightPane(QWidget* pane) {
  if (!pane || pane == rightPane_) return;
  QWidget* old = rightPane_;
  splitter_->replaceWidget(1, pane);
  rightPane_ = pane;
  if (old == list_) list_ = nullptr;
  delete old;
}

void CMainFrame::OnStateChanged() {
  UpdateActions();
  UpdateTitle();
  UpdateStatus();
}

void CMainFrame::UpdateActions() {
  for (auto it = actions_.cbegin(); it != actions_.cend(); ++it) {
    it.value()->setEnabled(doc_.IsEnabled(static_cast<CCommand>(it.key())));
  }
}

void CMainFrame::UpdateTitle() {
  setWindowTitle(QString("%1[*] - %2").arg(doc_.DisplayName(), kProductName));
  setWindowModified(doc_.IsModified());
}

void CMainFrame::UpdateStatus() {
  const clDevice* device = doc_.SelectedDevice();
  if (!device) {
    statusDevice_->clear();
    return;
  }
  statusDevice_->setText(QString("%1: %2 on %3")
                             .arg(QString::fromStdString(device->Name()),
                                  device->IsRunning() ? "running" : "stopped",
                                  PortText(*device)));
}

void CMainFrame::UpdateRecentFiles() {
  const QStringList files = doc_.Options().RecentFiles();
  for (int i = 0; i < COptions::kRecentFileCount; ++i) {
    QAction* recent = recentFiles_[i];
    recent->setVisible(i < files.size());
    if (i < files.size()) {
      recent->setText(QString("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i])));
      recent->setData(files[i]);
    }
  }
  recentSeparator_->setVisible(!files.isEmpty());
}

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (splitterPlaced_) return;
  splitterPlaced_ = true;
  const int width = splitter_->width();
  splitter_->setSizes({width / 4, width - width / 4});
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (exitConfirmed_ || doc_.CanClose(false)) {
    exitConfirmed_ = false;
    event->accept();
  } else {
    event->ignore();
  }
}
