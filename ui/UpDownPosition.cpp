#include "ui/UpDownPosition.h"

#include <algorithm>

UpDownPosition::UpDownPosition(int min, int max, int position) noexcept
    : m_min(min), m_max(std::max(min, max)), m_position(std::clamp(position, m_min, m_max)) {}

void UpDownPosition::step(UpDownDirection direction) noexcept {
    if (direction == UpDownDirection::Up && m_position < m_max) ++m_position;
    if (direction == UpDownDirection::Down && m_position > m_min) --m_position;
}
