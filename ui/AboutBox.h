// The About box: product name, version, picture, copyright, the distribution notice and the link to the
// product's web address. A modal box whose result is 1 after OK and 2 after the title bar's close.
#pragma once

#include "ui/MainFormServices.h"

#include <QDialog>

#include <memory>

namespace Ui {
class AboutBox;
}

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    // Modal results, as the caller reads them from exec().
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit TAboutBox(QWidget* owner = nullptr, ShellOpen openInShell = {});
    ~TAboutBox() override;

    void Label1MouseEnter();
    void Label1MouseLeave();
    void Label1Click();

    // Every way out but OK: the title bar's close button, the system menu, Alt+F4.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setLinkColour(const QColor& colour);

    std::unique_ptr<Ui::AboutBox> m_ui;
    ShellOpen m_openInShell;
};
