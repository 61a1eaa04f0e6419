#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "ui/document/doc.h"
#include "ui/document/user_interface.h"
#include "ui/options/options.h"

// The user as a test plays it: every message and question is recorded, questions
// take the queued answers (Yes when none is queued), dialogs answer with
// `dialogResult` after `onDialog` has had its say.
class CScriptedUser : public CUserInterface {
 public:
  QStringList told;
  QStringList asked;
  std::deque<CAnswer> answers;
  QList<CDialog> dialogs;
  bool dialogResult = true;
  std::function<void(CDialogRequest&)> onDialog;
  QString chosenFile;
  QList<const clDevice*> trafficShown;

  void Tell(const QString& text) override { told.append(text); }
  CAnswer Ask(const QString& text, bool) override {
    asked.append(text);
    if (answers.empty()) return CAnswer::kYes;
    CAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool OpenDialog(CDialogRequest& request) override {
    dialogs.append(request.dialog);
    if (onDialog) onDialog(request);
    return dialogResult;
  }
  QString ChooseFile(bool, const QString&) override { return chosenFile; }
  void ShowTraffic(clDevice& device, int, int) override { trafficShown.append(&device); }
};

// A hint as the views received it.
struct CReceivedHint {
  int hint;
  CHintObject object;
};

// A document with a scripted user and options in a folder of its own, and the
// hints it sent, in order.
class CDocFixture {
 public:
  CDocFixture();
  ~CDocFixture();

  QTemporaryDir folder;
  COptions options;
  CScriptedUser user;
  std::unique_ptr<CDoc> doc;
  QList<CReceivedHint> hints;

  // Hint numbers received since the last call.
  QList<int> TakeHints();
  // Adds a port of this name to the workspace (virtual line ends, or names that
  // open nothing).
  void AddPort(const std::string& name);
  // A committed master or slave on the port with one sector of one tag.
  clDevice* AddDevice(int kind, const std::string& port, const std::string& name);
  clIEC101CaptureDevice* AddMonitor(const std::string& port1, const std::string& port2);
  QString FilePath(const QString& name) const { return folder.filePath(name); }
};

// Points XDG_CONFIG_HOME at a fresh folder, so that nothing in a test reads or
// writes the user's settings; call it before anything reads the settings.
void IsolateSettings(QTemporaryDir& folder);
