#pragma once

#include "LineMeasurer.h"
#include "LogText.h"
#include "Viewport.h"

#include <windows.h>

#include <cstddef>

// Between character positions and points: where the caret before a position
// is drawn, and which position a point is nearest to, for the text laid out
// by the measurer and scrolled as the viewport says.
class LogLayout {
public:
    LogLayout(const LogText& text, LineMeasurer& measurer, const Viewport& viewport)
        : m_text(text)
        , m_measurer(measurer)
        , m_viewport(viewport)
    {
    }

    const Viewport& View() const { return m_viewport; }

    // x of the caret before position, from the left end of its line.
    int XOf(size_t position) const;
    // Client point of the top of the caret before position.
    POINT PointOf(size_t position) const;
    // The position nearest to a client point; above and below the text the
    // first and the last line count.
    size_t PositionAt(POINT point) const;
    // The position on line nearest to x, from the left end of the line.
    size_t PositionOnLine(size_t line, int x) const;
    // The position nearest to x on the line lines away from position's,
    // the first or the last line if that is beyond the text.
    size_t PositionLinesAway(size_t position, long lines, int x) const;
    // Width of the longest line in view, the one below the last whole line
    // included.
    int WidestVisibleLine() const;

private:
    const LogText& m_text;
    LineMeasurer& m_measurer;
    const Viewport& m_viewport;
};
