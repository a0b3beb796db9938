#include "ui/UpDown.h"

#include <QToolButton>

UpDown::UpDown(QWidget* parent) : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    setFocusPolicy(Qt::NoFocus);
    const auto setUp = [this](QToolButton* button, Qt::ArrowType arrow, const char* name, UpDownDirection direction) {
        button->setObjectName(QString::fromLatin1(name));
        button->setArrowType(arrow);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);  // held down, it keeps stepping
        connect(button, &QToolButton::clicked, this, [this, direction] { click(direction); });
    };
    setUp(m_up, Qt::UpArrow, "up", UpDownDirection::Up);
    setUp(m_down, Qt::DownArrow, "down", UpDownDirection::Down);
}

void UpDown::setPosition(int position) { m_position = UpDownPosition(minimum(), maximum(), position); }
void UpDown::setMinimum(int minimum) { m_position = UpDownPosition(minimum, maximum(), position()); }
void UpDown::setMaximum(int maximum) { m_position = UpDownPosition(minimum(), maximum, position()); }

void UpDown::resizeEvent(QResizeEvent*) {
    // The upper half takes the odd pixel, as a vertical up-down does.
    const int upper = (height() + 1) / 2;
    m_up->setGeometry(0, 0, width(), upper);
    m_down->setGeometry(0, upper, width(), height() - upper);
}

void UpDown::click(UpDownDirection direction) {
    emit changing(direction);
    m_position.step(direction);
}
