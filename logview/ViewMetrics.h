#pragma once

#include "LineMeasurer.h"

// The sizes, in pixels, that the view is laid out with, kept together so that
// they can be scaled as one (for the window's DPI) and handed to the pieces
// that lay out, paint and scroll.
struct ViewMetrics {
    // Room between the border and the text, as the edit control leaves it.
    int marginX = 2;
    int lineHeight = 16;
    // Of the Latin letters: the step of sideways scrolling.
    int averageCharWidth = 8;
    int caretWidth = 1;

    // For the measurer's font (made for the window's DPI already) and the
    // system's caret width, with the margin and the caret scaled to dpi.
    static ViewMetrics Measure(const LineMeasurer& measurer, int dpi);
};
