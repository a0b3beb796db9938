#include "ui/ErrorBox.h"

#include <QGridLayout>
#include <QSpacerItem>

int captionRoom(const QWidget& box, const QString& caption) {
    // Window managers draw captions in a bold face, beside the frame's icon and buttons (close, and
    // room for two more); the caption plus those is the least width at which it shows uncut.
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    const int part = metrics.height() + 8;
    return metrics.horizontalAdvance(caption) + 4 * part + 2 * metrics.averageCharWidth();
}

std::unique_ptr<QMessageBox> newErrorBox(QWidget* owner, const QString& text, const QString& caption) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
    box->setWindowModality(Qt::ApplicationModal);
    box->setDefaultButton(QMessageBox::Ok);
    // A short text would make a box too narrow for its caption, which the window manager then cuts
    // short; the box sizes itself to its layout, so the layout is given the caption's width.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(captionRoom(*box, caption), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return box;
}
