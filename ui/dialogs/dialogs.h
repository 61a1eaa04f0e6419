#pragma once

#include "ui/document/user_interface.h"

class QWidget;

// Opens the dialog the document names, modal over parent, on the request's
// objects; true on OK. This is the one place that maps a CDialog to its window:
// a dialog added to the program gets its case here. A dialog not built yet
// accepts its defaults: it returns true without showing anything, so that the
// command it belongs to still completes (a new device keeps its default
// settings).
bool RunDialog(QWidget* parent, CDialogRequest& request);
