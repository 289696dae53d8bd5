#include "ScrollBarPacer.h"

ScrollBarPacer::Step ScrollBarPacer::AtPaint(DWORD now)
{
    Step step;
    if (!m_stale)
        return step;
    // Unsigned, so the count wrapping after 49 days does not matter.
    const DWORD elapsed = now - m_drawn;
    if (elapsed >= m_interval) {
        m_stale = false;
        m_drawn = now;
        step.redraw = true;
    } else if (!m_waiting) {
        m_waiting = true;
        step.wait = m_interval - elapsed;
    }
    return step;
}
