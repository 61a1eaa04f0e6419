#pragma once
#include <QDateTime>
#include <QTimer>
#include <QWidget>

#include "runtime/traffic_drain.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class clDevice;
class CTrafficView;

// A device's traffic window: every frame the device sends or receives, and its
// line events, as raw octets and decoded text, with the five check boxes that
// choose what is shown, "Start" and "Stop" for the capture, "Clear", "Save Log"
// (RTF, or plain text), a "Pause" box that keeps the view where it is, and a
// find box (Ctrl+F, F3).
//
// The device's drain formats records on its own thread; this window takes what
// it formatted on a timer and appends it in one edit per tick, so neither a
// busy line nor a stalled window holds the other up. Hiding the window does
// not stop the capture; destroying it does.
//
// Threads: the user-interface thread; the drain must outlive the window.
class CMonitorDlg : public QWidget {
  Q_OBJECT

 public:
  // How often the window takes what the drain formatted.
  static constexpr int kFlushMs = 40;
  static constexpr int kWidth = 708;
  static constexpr int kHeight = 410;

  CMonitorDlg(clDevice& device, clTrafficDrain& drain, QWidget* parent = nullptr);
  ~CMonitorDlg() override;

  // "Start": false when already started or no thread could be made.
  bool Start();
  // "Stop": ends the capture and shows what it still held.
  void Stop();
  bool IsRunning() const;
  // "Clear".
  void Clear();
  // "Save Log": refused while running; otherwise asks for a file and writes it.
  void SaveLog();
  // Writes the whole text: plain text for a ".txt" name, RTF otherwise. On
  // failure `error` (when given) says why and the file is left as it was.
  bool SaveLogTo(const QString& path, QString* error = nullptr) const;
  // The file name "Save Log" proposes at `now`: title, day, hour, minute, second.
  QString ProposedLogName(const QDateTime& now) const;

  void SetTextLength(int length);
  void SetTextCut(int cut);
  // The device's name, after a rename.
  void UpdateTitle();

  // Takes what the drain formatted and appends it; the timer does this while
  // the capture runs.
  void Flush();

  CTrafficView* View() const { return view_; }
  QPushButton* StartButton() const { return start_; }
  QPushButton* StopButton() const { return stop_; }
  QPushButton* ClearButton() const { return clear_; }
  QPushButton* SaveLogButton() const { return saveLog_; }
  QCheckBox* RawMessageBox() const { return rawMessage_; }
  QCheckBox* TranslateBox() const { return translate_; }
  QCheckBox* CommandBox() const { return command_; }
  QCheckBox* ChangeOfStateBox() const { return changeOfState_; }
  QCheckBox* StructureIoaBox() const { return structureIoa_; }
  QCheckBox* PauseBox() const { return pause_; }
  QLineEdit* FindBox() const { return findBox_; }

  // Selects the next (or previous) match of the find box's text, from the
  // start (end) once the end (start) is passed; false when there is none.
  bool FindNext(bool backward = false);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void OnFilterChanged();
  void UpdateButtons();

  clDevice& device_;
  clTrafficDrain& drain_;
  QTimer flushTimer_;
  CTrafficView* view_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* clear_ = nullptr;
  QPushButton* saveLog_ = nullptr;
  QCheckBox* rawMessage_ = nullptr;
  QCheckBox* translate_ = nullptr;
  QCheckBox* command_ = nullptr;
  QCheckBox* changeOfState_ = nullptr;
  QCheckBox* structureIoa_ = nullptr;
  QCheckBox* pause_ = nullptr;
  QLineEdit* findBox_ = nullptr;
};

// Texts of the traffic window.
inline constexpr const char* kServiceStillRunning = "Service is still running";
inline constexpr const char* kLogFilters = "RTF File (*.rtf);;Text File (*.txt)";
