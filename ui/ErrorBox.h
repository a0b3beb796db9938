// The program's error box: the message with the error icon and a single OK button, modal, and at
// least as wide as its caption needs.
#pragma once

#include <QMessageBox>

#include <memory>

std::unique_ptr<QMessageBox> newErrorBox(QWidget* owner, const QString& text, const QString& caption);

// The width a window needs for the window manager to show its caption whole.
int captionRoom(const QWidget& window, const QString& caption);
