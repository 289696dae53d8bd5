#pragma once

#include "ViewMetrics.h"

#include <windows.h>

#include <cstddef>
#include <optional>
#include <utility>

// Which part of the text the window shows: the first line at the top and how
// far it is scrolled sideways, and the arithmetic between lines, x in a line
// and client coordinates. Lines have one height and are never wrapped.
struct Viewport {
    RECT client{};
    // Where lines are drawn, in client coordinates.
    RECT text{};
    int lineHeight = 16;
    size_t firstLine = 0;
    // How far, in pixels, the lines are scrolled to the left.
    int xOffset = 0;

    // Lays the text out in a client area with these metrics.
    void Fit(const RECT& area, const ViewMetrics& metrics);

    int Width() const { return text.right - text.left; }
    // Whole lines that fit, but at least one.
    size_t VisibleLines() const;
    // The first line with which the last one is at the bottom.
    size_t LastFirstLine(size_t lineCount) const;
    // The first line that shows line with the least scrolling from here.
    size_t FirstLineShowing(size_t line) const;
    // The offset that shows x (in line coordinates): unchanged if it is
    // shown, else a jump that leaves a third of the width beyond x, so that a
    // line growing by a few characters at a time does not scroll each time.
    int OffsetShowing(int x) const;

    // The first line a WM_VSCROLL request asks for, kept within the text;
    // trackPos is the thumb's position while it is dragged. Nothing for
    // requests that do not scroll.
    std::optional<size_t> FirstLineFor(WORD request, int trackPos, size_t lineCount) const;
    // The offset a WM_HSCROLL request asks for, step pixels a line and the
    // thumb's position a percentage of the widest line in view, kept within
    // that line and an average character beyond; nothing for requests that
    // do not scroll.
    std::optional<int> OffsetFor(WORD request, WORD thumb, int step, int widest) const;

    // How many lines Up, Down, Page Up or Page Down move the caret, negative
    // towards the start; nothing for other keys.
    std::optional<long> LinesForKey(WPARAM key) const;
    // The scroll bar's range, page and position (SIF_RANGE | SIF_PAGE | SIF_POS).
    SCROLLINFO ScrollInfo(size_t lineCount) const;

    // Client y of a line's top, kept within 16 bits for messages that carry it.
    int Top(size_t line) const;
    // The line at client y, clamped to the text: above it the first line,
    // below it the last.
    size_t LineAt(int y, size_t lineCount) const;
    // [first, last) of the lines that meet the client rows [top, bottom).
    std::pair<size_t, size_t> LinesMeeting(int top, int bottom, size_t lineCount) const;

    int ClientX(int lineX) const { return text.left + lineX - xOffset; }
    int LineX(int clientX) const { return clientX - text.left + xOffset; }
};
