#pragma once

#include "ui/document/user_interface.h"

class QWidget;

// Opens the dialog the document names, modal over parent, on the request's
// objects; true on OK. This is the one place that maps a CDialog to its window:
// a dialog added to the program gets its case here. The port settings apply
// every change at once and have no Cancel: true then means the workspace's
// ports changed. A request without the objects its dialog needs opens nothing
// and gives false.
bool RunDialog(QWidget* parent, CDialogRequest& request);
