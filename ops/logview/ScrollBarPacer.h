#pragma once

#include <windows.h>

// Decides when the scroll bar is redrawn. Redrawing it costs milliseconds
// under Wine, so while the log streams in, a new range is shown by a paint at
// most once an interval; a change within the interval waits for a timer.
class ScrollBarPacer {
public:
    explicit ScrollBarPacer(DWORD interval)
        : m_interval(interval)
    {
    }

    // What to do at a paint.
    struct Step {
        bool redraw = false;
        // Start a timer for this many milliseconds, unless 0.
        DWORD wait = 0;
    };

    // The bar's range or position changed.
    void Changed() { m_stale = true; }
    // now is GetTickCount(); after a Step with wait, a timer is taken to run.
    Step AtPaint(DWORD now);
    // The timer ran out, or could not be started.
    void TimerEnded() { m_waiting = false; }

private:
    DWORD m_interval;
    bool m_stale = false;
    bool m_waiting = false;
    DWORD m_drawn = 0; // tick count of the last redraw
};
