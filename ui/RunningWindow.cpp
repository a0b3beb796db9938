#include "ui/RunningWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::Gesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

}  // namespace

RunningWindow::RunningWindow(QWidget& window) : m_window(&window) { QCoreApplication::instance()->installEventFilter(this); }

RunningWindow::~RunningWindow() { QCoreApplication::instance()->removeEventFilter(this); }

void RunningWindow::keepPainted() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void RunningWindow::pause(std::chrono::milliseconds length) {
    keepPainted();
    QEventLoop loop;
    QTimer::singleShot(length, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunningWindow::belongsToWindow(QObject* object) const {
    if (!m_window || !object) return false;
    if (object->isWidgetType()) return static_cast<QWidget*>(object)->window() == m_window;
    if (object->isWindowType()) return object == m_window->windowHandle();
    return false;
}

bool RunningWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == m_window) {
        // Kept for the end of the run; closing now would pull the window from under it.
        m_closeRequested = true;
        event->ignore();
        return true;
    }
    if (isInput(event->type()) && belongsToWindow(watched)) {
        event->accept();  // taken, so that nothing passes it on to a parent
        return true;
    }
    return false;
}
