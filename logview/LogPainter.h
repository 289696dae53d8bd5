#pragma once

#include "LineMeasurer.h"
#include "LogText.h"
#include "Selection.h"
#include "Viewport.h"

#include <windows.h>

// Draws the lines in view onto a DC, the selection in the system's highlight
// colours. Asks no window anything: the caller chooses the background and
// the text colour, as a parent's WM_CTLCOLOR* answer gives them.
class LogPainter {
public:
    LogPainter(const LogText& text, LineMeasurer& measurer, const Viewport& viewport)
        : m_text(text)
        , m_measurer(measurer)
        , m_viewport(viewport)
    {
    }

    // Fills area (client coordinates) with background and draws the lines
    // that meet it, clipped to the viewport's text rectangle; an empty
    // selection shows none.
    void Paint(HDC dc, const RECT& area, HBRUSH background, COLORREF textColor, const Selection& shown) const;

private:
    const LogText& m_text;
    LineMeasurer& m_measurer;
    const Viewport& m_viewport;
};
