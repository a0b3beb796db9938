// The system's side of the main window's services, on Qt: the file dialog and the desktop's opener.
#pragma once

#include "ui/MainFormServices.h"

#include <QFileDialog>

#include <memory>

// Qt's own dialog rather than the platform's, so that the program's skin reaches it too.
std::unique_ptr<QFileDialog> newOpenFileDialog(QWidget* owner, const OpenDialogRequest& request);

// Shows newOpenFileDialog modally.
FileChooser qtFileChooser(QWidget* owner);

// A web address goes to the browser, a file path to the program the desktop opens it with.
ShellOpen desktopOpener();
