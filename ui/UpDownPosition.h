// The copies stepper's position: an integer that an arrow click moves by one within its range, stopping
// at the ends. Kept apart from any toolkit, so that every view of the window steps the same way.
#pragma once

enum class UpDownDirection { Up, Down };

class UpDownPosition {
public:
    UpDownPosition(int min, int max, int position) noexcept;

    int min() const noexcept { return m_min; }
    int max() const noexcept { return m_max; }
    int position() const noexcept { return m_position; }

    // One arrow click; no wrap-around.
    void step(UpDownDirection direction) noexcept;

private:
    int m_min;
    int m_max;
    int m_position;
};
