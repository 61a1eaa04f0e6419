#pragma once
#include <QSettings>

// An INI format for QSettings that writes section and key names as they are
// ("[Recent File List]"), where Qt's own INI format would escape the spaces
// ("[Recent%20File%20List]"). Values are plain text, one "key=value" a line;
// every section of the file is kept, whoever wrote it (the [Ports] map).
QSettings::Format PlainIniFormat();
