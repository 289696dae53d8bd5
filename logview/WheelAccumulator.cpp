#include "WheelAccumulator.h"

#include <climits>

long WheelAccumulator::Lines(int delta, UINT linesPerNotch, size_t pageLines)
{
    const long perNotch
        = linesPerNotch == WHEEL_PAGESCROLL ? static_cast<long>(pageLines) : static_cast<long>(linesPerNotch);
    if (perNotch <= 0)
        return 0;
    if ((m_remainder > 0 && delta < 0) || (m_remainder < 0 && delta > 0))
        m_remainder = 0;
    m_remainder += delta;
    const long steps = m_remainder * perNotch / WHEEL_DELTA;
    if (steps == 0)
        return 0;
    m_remainder -= static_cast<int>(steps * WHEEL_DELTA / perNotch);
    return -steps;
}
