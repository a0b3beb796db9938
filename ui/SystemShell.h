// The system's side of the main window's services, on Qt: the file dialog and the desktop's opener.
#pragma once

#include "ui/MainFormServices.h"

#include <QFileDialog>

#include <memory>

// The add-documents dialog takes the names as the user gave them, as the document list does: a typed
// name of a file that is not there is the word processor's to fail, with its own line in the log, not
// the dialog's to refuse.
class DocumentFileDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    // The typed names, several in double quotes, made full paths in the dialog's folder; without a
    // typed name, what is selected.
    QStringList chosenFiles() const;
    void accept() override;
};

// Qt's own dialog rather than the platform's, so that the program's skin reaches it too.
std::unique_ptr<DocumentFileDialog> newOpenFileDialog(QWidget* owner, const OpenDialogRequest& request);

// Shows newOpenFileDialog modally.
FileChooser qtFileChooser(QWidget* owner);

// A web address goes to the browser, a file path to the program the desktop opens it with.
ShellOpen desktopOpener();
