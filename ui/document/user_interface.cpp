#include "ui/document/user_interface.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
// The desktop's clipboard; none in a program without a graphical application.
QClipboard* SystemClipboard() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard()
                                                                       : nullptr;
}
}  // namespace

void CUserInterface::SetClipboard(QMimeData* data) {
  if (QClipboard* clipboard = SystemClipboard()) {
    clipboard->setMimeData(data);
  } else {
    delete data;
  }
}

const QMimeData* CUserInterface::Clipboard() {
  QClipboard* clipboard = SystemClipboard();
  return clipboard ? clipboard->mimeData() : nullptr;
}
