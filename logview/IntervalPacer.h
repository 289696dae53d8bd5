#pragma once

#include <windows.h>

// Lets something that costs (redrawing the scroll bar, which takes
// milliseconds under Wine; telling screen readers that the text changed)
// happen at most once an interval however often its cause changes: at once if
// the last time is an interval ago, else once more when a timer has waited
// out the rest, which covers every change made meanwhile.
class IntervalPacer {
public:
    explicit IntervalPacer(DWORD interval)
        : m_interval(interval)
    {
    }

    // What to do now.
    struct Step {
        bool fire = false;
        // Start a timer for this many milliseconds, unless 0.
        DWORD wait = 0;
    };

    // The cause changed.
    void Changed() { m_stale = true; }
    // now is GetTickCount(); after a Step with wait, a timer is taken to run.
    Step Next(DWORD now);
    // The timer ran out, or could not be started.
    void TimerEnded() { m_waiting = false; }

private:
    DWORD m_interval;
    bool m_stale = false;
    bool m_waiting = false;
    DWORD m_fired = 0; // tick count of the last time
};
