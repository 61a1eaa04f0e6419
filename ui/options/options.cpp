#include "ui/options/options.h"

#include <QFileInfo>
#include <QSettings>

#include "runtime/port_settings.h"
#include "ui/options/plain_ini.h"

namespace {

constexpr const char* kOptionGroup = "Option";
constexpr const char* kRecentGroup = "Recent File List";

QString OptionKey(const char* key) { return QString(kOptionGroup) + "/" + key; }
QString RecentKey(int n) { return QString(kRecentGroup) + "/File" + QString::number(n); }

}  // namespace

COptions::COptions() : path_(QString::fromStdString(UserSettingsPath())) {}

COptions::COptions(const QString& path) : path_(path) {}

int COptions::Read(const char* key) const {
  QSettings settings(path_, PlainIniFormat());
  bool ok = false;
  int value = settings.value(OptionKey(key)).toInt(&ok);
  return ok ? value : -1;
}

void COptions::Write(const char* key, int value) {
  QSettings settings(path_, PlainIniFormat());
  settings.setValue(OptionKey(key), value);
}

void COptions::WriteMissingDefaults() {
  const struct {
    const char* key;
    int value;
  } defaults[] = {{kAutoOpen, 0},
                  {kAutoRun, 0},
                  {kMonitorTextLength, kDefaultTextLength},
                  {kMonitorTextCut, kDefaultTextCut}};
  QSettings settings(path_, PlainIniFormat());
  for (const auto& d : defaults) {
    if (!settings.contains(OptionKey(d.key))) settings.setValue(OptionKey(d.key), d.value);
  }
}

COptionValues COptions::DialogValues() const {
  COptionValues values;
  values.autoOpen = Read(kAutoOpen) == 1;
  values.autoRun = Read(kAutoRun) == 1;
  values.textLength = Read(kMonitorTextLength);
  values.textCut = Read(kMonitorTextCut);
  return values;
}

void COptions::StoreDialogValues(const COptionValues& values) {
  Write(kAutoOpen, values.autoOpen ? 1 : 0);
  Write(kAutoRun, values.autoRun ? 1 : 0);
  if (values.textLength >= kSmallestTextLimit) Write(kMonitorTextLength, values.textLength);
  if (values.textCut >= kSmallestTextLimit) Write(kMonitorTextCut, values.textCut);
}

int COptions::TextLength() const {
  int value = Read(kMonitorTextLength);
  return value == -1 ? kDefaultTextLength : value;
}

int COptions::TextCut() const {
  int value = Read(kMonitorTextCut);
  return value == -1 ? kDefaultTextCut : value;
}

QStringList COptions::RecentFiles() const {
  QSettings settings(path_, PlainIniFormat());
  QStringList files;
  for (int n = 1; n <= kRecentFileCount; ++n) {
    QString file = settings.value(RecentKey(n)).toString();
    if (!file.isEmpty()) files.append(file);
  }
  return files;
}

void COptions::AddRecentFile(const QString& path) {
  QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList files = RecentFiles();
  files.removeAll(absolute);
  files.prepend(absolute);
  WriteRecentFiles(files);
}

void COptions::RemoveRecentFile(const QString& path) {
  QStringList files = RecentFiles();
  files.removeAll(QFileInfo(path).absoluteFilePath());
  WriteRecentFiles(files);
}

void COptions::WriteRecentFiles(const QStringList& files) {
  QSettings settings(path_, PlainIniFormat());
  for (int n = 1; n <= kRecentFileCount; ++n) {
    if (n <= files.size()) {
      settings.setValue(RecentKey(n), files[n - 1]);
    } else {
      settings.remove(RecentKey(n));
    }
  }
}
