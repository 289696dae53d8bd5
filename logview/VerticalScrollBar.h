#pragma once

#include "IntervalPacer.h"

#include <windows.h>

#include <cstddef>

// The view's vertical scroll bar, where its style has one. A new range is
// stored at once, so that the bar answers with it, but shown by a paint at
// most once an interval, since redrawing it costs milliseconds under Wine.
class VerticalScrollBar {
public:
    // The timer is the view's to give: its WM_TIMER comes back through OnTimer.
    VerticalScrollBar(HWND view, UINT_PTR timerId);

    // False if the view has no vertical scroll bar.
    bool Set(SCROLLINFO info);
    // At a paint, before BeginPaint: redraws the bar now if due.
    void AtPaint();
    // False if the timer is not this one's; true asks the view to repaint.
    bool OnTimer(UINT_PTR timerId);
    // Where the thumb is being dragged to: all 32 bits, where the message
    // that tells of the drag carries only 16; fallback if the bar cannot say.
    int TrackPosition(size_t fallback) const;

private:
    HWND m_view;
    UINT_PTR m_timerId;
    IntervalPacer m_pacer;
};
