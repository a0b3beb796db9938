#include "ui/AboutBox.h"

#include "ui/AboutPicture.h"
#include "ui/EventHandler.h"
#include "ui/ProductAddress.h"
#include "ui/SystemShell.h"
#include "ui/WindowPlacement.h"
#include "ui_AboutBox.h"

#include <QKeyEvent>

TAboutBox::TAboutBox(QWidget* owner, ShellOpen openInShell)
    : QDialog(owner), m_ui(std::make_unique<Ui::AboutBox>()),
      m_openInShell(openInShell ? std::move(openInShell) : desktopOpener()) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());
    centreOnScreen(*this);

    m_ui->Image1->setPixmap(aboutPicture());
    m_ui->Label1->setText(QString::fromUtf8(kProductAddress.data(), static_cast<qsizetype>(kProductAddress.size())));
    // The link's own font is a pixel smaller than the box's, so that its underline fits in its 13 pixels.
    QFont linkFont = m_ui->Label1->font();
    linkFont.setPixelSize(11);
    m_ui->Label1->setFont(linkFont);
    setLinkColour(Qt::blue);

    connect(m_ui->OKButton, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(m_ui->Label1, &LinkLabel::mouseEntered, this, guarded(this, &TAboutBox::Label1MouseEnter));
    connect(m_ui->Label1, &LinkLabel::mouseLeft, this, guarded(this, &TAboutBox::Label1MouseLeave));
    connect(m_ui->Label1, &LinkLabel::clicked, this, guarded(this, &TAboutBox::Label1Click));
    m_ui->OKButton->setFocus();
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::Label1MouseEnter() { setLinkColour(Qt::red); }
void TAboutBox::Label1MouseLeave() { setLinkColour(Qt::blue); }

// The address is the constant, not read back from the label.
void TAboutBox::Label1Click() { m_openInShell(std::string(kProductAddress)); }

void TAboutBox::reject() { done(mrCancel); }

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    // No cancel button: Esc does nothing here.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAboutBox::setLinkColour(const QColor& colour) {
    QPalette palette = m_ui->Label1->palette();
    palette.setColor(QPalette::WindowText, colour);
    m_ui->Label1->setPalette(palette);
}
