#pragma once

#include <windows.h>

#include <cstddef>

// Turns mouse wheel deltas into whole lines. Fine-grained wheels send less
// than a notch (WHEEL_DELTA) at a time; what does not yet make a line is kept
// for the next turn in the same direction, and a turn the other way starts
// afresh.
class WheelAccumulator {
public:
    // Lines to scroll, positive towards the end of the text, for a wheel
    // delta (positive away from the user); a notch scrolls the system's
    // setting of lines (SPI_GETWHEELSCROLLLINES), or a page of pageLines if
    // it says WHEEL_PAGESCROLL.
    long Lines(int delta, UINT linesPerNotch, size_t pageLines);

private:
    int m_remainder = 0;
};
