// A window whose event handler holds the thread, as a print run does. Meanwhile the window keeps its
// looks: what the window system asks to be redrawn (uncovered, moved back on screen) is painted at
// each step of the run and throughout its pauses. Input given to the window (clicks, keys, wheel,
// drops) is dropped there and then rather than kept for later: queued, it would be replayed once the
// run ends, and a second click on Start printing would print everything again. A request to close
// the window is kept, and closes it when the run is over.
#pragma once

#include <QObject>
#include <QPointer>

#include <chrono>

class QWidget;

class RunningWindow : public QObject {
public:
    explicit RunningWindow(QWidget& window);
    ~RunningWindow() override;
    RunningWindow(const RunningWindow&) = delete;
    RunningWindow& operator=(const RunningWindow&) = delete;

    // Handles whatever is pending, painting included; input to the window goes nowhere.
    void keepPainted();
    // Waits the given time, handling events as keepPainted() does.
    void pause(std::chrono::milliseconds length);

    bool closeRequested() const noexcept { return m_closeRequested; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToWindow(QObject* object) const;

    QPointer<QWidget> m_window;
    bool m_closeRequested = false;
};
