// Shared pieces of the windows' tests: controls found by their layout names, stand-in services.
#pragma once

#include "ui/MainFormServices.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

template <class Widget = QWidget>
Widget* control(const QWidget& window, const char* name) {
    auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    if (!widget) ADD_FAILURE() << "the window has no " << name << " of the expected kind";
    return widget;
}

// The named control a focus lands in: the control itself, or the control an inner part belongs to.
inline QString namedControl(QWidget* widget) {
    while (widget && (widget->objectName().isEmpty() || widget->objectName().startsWith(u"qt_")))
        widget = widget->parentWidget();
    return widget ? widget->objectName() : QString();
}

// The caption or text a control shows.
inline QString captionOf(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
    return {};
}

// Nothing of the system: no printers unless given, a cancelled file dialog, no opener, no pause.
inline MainFormServices standIns(std::vector<std::string> printers = {}) {
    MainFormServices services;
    services.printerNames = [printers] { return printers; };
    services.chooseFiles = [](const OpenDialogRequest&) { return std::optional<std::vector<std::string>>(); };
    services.openInShell = [](const std::string&) {};
    services.pause = [](std::chrono::milliseconds) {};
    return services;
}
