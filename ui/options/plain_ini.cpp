#include "ui/options/plain_ini.h"

#include <QIODevice>
#include <QMap>
#include <QStringList>

namespace {

bool ReadPlainIni(QIODevice& device, QSettings::SettingsMap& map) {
  QString section;
  while (!device.atEnd()) {
    const QString line = QString::fromUtf8(device.readLine()).trimmed();
    if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
    if (line.startsWith('[') && line.endsWith(']')) {
      section = line.mid(1, line.size() - 2).trimmed();
      continue;
    }
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0) continue;
    const QString key = line.left(eq).trimmed();
    map.insert(section.isEmpty() ? key : section + "/" + key, line.mid(eq + 1).trimmed());
  }
  return true;
}

bool WritePlainIni(QIODevice& device, const QSettings::SettingsMap& map) {
  // Sections in name order, keys in name order inside each.
  QMap<QString, QStringList> sections;
  for (auto it = map.cbegin(); it != map.cend(); ++it) {
    const qsizetype slash = it.key().lastIndexOf('/');
    const QString section = slash < 0 ? QString() : it.key().left(slash);
    const QString key = it.key().mid(slash + 1);
    sections[section].append(key + "=" + it.value().toString());
  }
  QByteArray text;
  for (auto it = sections.cbegin(); it != sections.cend(); ++it) {
    if (!text.isEmpty()) text += "\n";
    if (!it.key().isEmpty()) text += "[" + it.key().toUtf8() + "]\n";
    for (const QString& line : it.value()) text += line.toUtf8() + "\n";
  }
  return device.write(text) == text.size();
}

}  // namespace

QSettings::Format PlainIniFormat() {
  static const QSettings::Format format =
      QSettings::registerFormat("conf", ReadPlainIni, WritePlainIni, Qt::CaseSensitive);
  return format;
}
