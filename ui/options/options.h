#pragma once
#include <QString>
#include <QStringList>

// What the "Option" dialog shows and edits.
struct COptionValues {
  bool autoOpen = false;  // "Auto open last configuration file"
  bool autoRun = false;   // "Autostart Communication on startup"
  int textLength = -1;    // "Maximum text length"
  int textCut = -1;       // "Text cut"
};

// The user's options and recent-file list in the settings store: an INI file,
// $XDG_CONFIG_HOME/Telvane/Telvane.conf (~/.config when unset), which also holds
// the [Ports] map of serial port names. Group "Option" has the four integer
// options, group "Recent File List" the entries File1..File4, newest first.
// Every call reads or writes the file at once, so that other parts of the
// program (the port map) see the same file.
class COptions {
 public:
  static constexpr const char* kAutoOpen = "AutoOpen";
  static constexpr const char* kAutoRun = "AutoRun";
  static constexpr const char* kMonitorTextLength = "MonitorTextLength";
  static constexpr const char* kMonitorTextCut = "MonitorTextCut";
  static constexpr int kDefaultTextLength = 25000;
  static constexpr int kDefaultTextCut = 10000;
  static constexpr int kRecentFileCount = 4;
  // Text limits of 10 or less are not stored.
  static constexpr int kSmallestTextLimit = 11;

  // The user's settings file; tests pass a file of their own.
  COptions();
  explicit COptions(const QString& path);

  const QString& Path() const { return path_; }

  // An option of group "Option"; -1 when missing.
  int Read(const char* key) const;
  void Write(const char* key, int value);
  // Writes the start-up default of every option that is missing.
  void WriteMissingDefaults();
  // The dialog's values: a check box is set only when its option is exactly 1,
  // the numbers are shown as read (-1 when missing).
  COptionValues DialogValues() const;
  // The dialog's OK: both switches are written as 1 or 0; each text limit only
  // when it is at least kSmallestTextLimit, else the stored value stays.
  void StoreDialogValues(const COptionValues& values);
  // The traffic window's limits: the stored values, or the defaults when missing.
  int TextLength() const;
  int TextCut() const;

  // The recent-file list, newest first, without empty entries.
  QStringList RecentFiles() const;
  // Puts the file first (removing it further down) and keeps four entries.
  void AddRecentFile(const QString& path);
  void RemoveRecentFile(const QString& path);

 private:
  void WriteRecentFiles(const QStringList& files);

  QString path_;
};
