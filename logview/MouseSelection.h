#pragma once

#include "LogText.h"
#include "Selection.h"

#include <windows.h>

#include <cstddef>
#include <optional>

// What the left button does to the selection: a click places the caret (with
// Shift it extends the selection), a double click selects the word, and a
// drag extends the selection for as long as the view holds the mouse
// capture. Above or below the text the hit line lies outside the view, so
// moving the caret there scrolls; a timer keeps that going while the button
// is held still outside.
class MouseSelection {
public:
    // The timer is the view's to give: its WM_TIMER comes back through OnTimer.
    MouseSelection(HWND view, UINT_PTR timerId);

    // Whether a button message is one to act on: a move or a release only
    // while dragging.
    bool Wants(UINT message) const;
    // The selection asked for by WM_LBUTTONDOWN, WM_LBUTTONDBLCLK or
    // WM_MOUSEMOVE at position, the text position under the mouse; nothing
    // if it stays as it is. WM_LBUTTONUP ends the drag.
    std::optional<Selection> Select(
        UINT message, bool shift, size_t position, const LogText& text, const Selection& now);
    // WM_CAPTURECHANGED: the drag is over, whoever took the capture.
    void CaptureLost();
    // False if the timer is not this one's; else cursor is where the mouse
    // is, in client coordinates, for a WM_MOUSEMOVE, unless it is unknown.
    bool OnTimer(UINT_PTR timerId, std::optional<POINT>& cursor) const;

private:
    HWND m_view;
    UINT_PTR m_timerId;
};
