#pragma once
#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "model/workspace.h"

// Runs `action` and answers every message box it opens with OK; returns the
// boxes' texts in order.
QStringList AnswerMessages(const std::function<void()>& action);

// Runs `action` (which opens a modal dialog and waits for it); when a dialog
// of class T is the active modal window, `answer` gets it and closes it.
// Returns whether a T was seen.
template <class T>
bool AnswerDialog(const std::function<void()>& action, const std::function<void(T&)>& answer) {
  bool seen = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr || seen) return;
    seen = true;
    answer(*dialog);
  });
  poll.start();
  action();
  poll.stop();
  return seen;
}

// A new workspace (COM1..COM10) with one committed master, slave and monitor,
// each with one sector (the monitor none) and, on the master and slave, tags.
struct CDialogWorkspace {
  CDialogWorkspace();
  clWorkspace workspace;
  clIEC101MasterDevice* master = nullptr;
  clIEC101SlaveDevice* slave = nullptr;
  clIEC101CaptureDevice* monitor = nullptr;
  clSector* masterSector = nullptr;
  clSector* slaveSector = nullptr;
  // A tag of `type` added to the master's or the slave's sector.
  clTag* AddTag(clDevice& device, int32_t type, int32_t ioa, const std::string& name);
};
