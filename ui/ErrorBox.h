// The program's error box: the message with the error icon and a single OK button, modal.
#pragma once

#include <QMessageBox>

#include <memory>

std::unique_ptr<QMessageBox> newErrorBox(QWidget* owner, const QString& text, const QString& caption);
