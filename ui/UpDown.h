// The copies stepper: two stacked arrow buttons over an UpDownPosition. Each click first signals
// changing() while the position still holds the value from before the step, then moves it. It takes no
// keyboard focus and is tied to no other control.
#pragma once

#include "ui/UpDownPosition.h"

#include <QWidget>

class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int position READ position WRITE setPosition)
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)

public:
    explicit UpDown(QWidget* parent = nullptr);

    int position() const noexcept { return m_position.position(); }
    int minimum() const noexcept { return m_position.min(); }
    int maximum() const noexcept { return m_position.max(); }
    void setPosition(int position);
    void setMinimum(int minimum);
    void setMaximum(int maximum);

    // The two halves, for the skin and for tests that click them.
    QToolButton* upButton() const noexcept { return m_up; }
    QToolButton* downButton() const noexcept { return m_down; }

signals:
    void changing(UpDownDirection direction);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void click(UpDownDirection direction);

    UpDownPosition m_position{1, 1000, 1};
    QToolButton* m_up;
    QToolButton* m_down;
};
