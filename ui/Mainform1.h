// The main window: the document list, the copies field and its up-down, the show-Word box, the printer
// choice and the progress log. Its controls hold all of the program's state.
#pragma once

#include "ui/MainFormServices.h"
#include "ui/OpenDialog.h"
#include "ui/UpDownPosition.h"

#include <QDialog>

#include <memory>

namespace Ui {
class MainForm;
}

class TMainForm : public QDialog {
    Q_OBJECT

public:
    // Fills the printer choice once; an exception from the printer list leaves the constructor.
    explicit TMainForm(QWidget* owner = nullptr, MainFormServices services = {});
    ~TMainForm() override;

    void Button5Click();
    void UpDown1Changing(UpDownDirection direction);
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button6Click();
    void ListBox1DragDrop(const QStringList& paths);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Appends to the document list, each entry with its whole path as its tooltip.
    void addDocuments(const QStringList& paths);

    std::unique_ptr<Ui::MainForm> m_ui;
    MainFormServices m_services;
    OpenDialog m_openDialog;
};

// The one main window, while it exists.
extern TMainForm* MainForm;
