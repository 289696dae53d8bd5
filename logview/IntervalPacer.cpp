#include "IntervalPacer.h"

IntervalPacer::Step IntervalPacer::Next(DWORD now)
{
    Step step;
    if (!m_stale)
        return step;
    // Unsigned, so the count wrapping after 49 days does not matter.
    const DWORD elapsed = now - m_fired;
    if (elapsed >= m_interval) {
        m_stale = false;
        m_fired = now;
        step.fire = true;
    } else if (!m_waiting) {
        m_waiting = true;
        step.wait = m_interval - elapsed;
    }
    return step;
}
