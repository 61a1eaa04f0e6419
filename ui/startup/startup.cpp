#include "ui/startup/startup.h"

#include <QFileInfo>

#include "ui/document/doc.h"
#include "ui/options/options.h"

bool OpenStartupWorkspace(CDoc& doc, COptions& options, const CStartupRequest& request) {
  options.WriteMissingDefaults();
  if (request.demo) {
    doc.OpenDemo();
    return true;
  }
  if (!request.file.isEmpty()) return doc.OpenFile(request.file);
  if (options.Read(COptions::kAutoOpen) == 1) {
    const QStringList recent = options.RecentFiles();
    if (!recent.isEmpty() && QFileInfo::exists(recent.first())) doc.OpenFile(recent.first());
  }
  return true;
}

void RunStartupDevices(CDoc& doc, COptions& options, const CStartupRequest& request) {
  if (request.demo || options.Read(COptions::kAutoRun) == 1) doc.Run(CCommand::kStartAll);
}
