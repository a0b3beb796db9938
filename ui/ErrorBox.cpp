#include "ui/ErrorBox.h"

std::unique_ptr<QMessageBox> newErrorBox(QWidget* owner, const QString& text, const QString& caption) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
    box->setWindowModality(Qt::ApplicationModal);
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}
