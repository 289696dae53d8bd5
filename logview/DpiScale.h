#pragma once

#include <windows.h>

// Sizes laid out for 96 DPI (100 %), as the window's DPI needs them. Rounds
// half away from zero, as MulDiv does, and keeps the sign (a negative font
// height asks for the height of the characters rather than of the cell).
class DpiScale {
public:
    static constexpr int kBaseDpi = 96;

    // A DPI of 0 or less (nothing known) counts as 96.
    explicit DpiScale(int dpi);

    int Dpi() const { return m_dpi; }
    int Pixels(int pixelsAt96) const;
    // The rectangle's origin and size each scaled, so that a box keeps the
    // size of what it holds (an image scaled by Pixels) wherever it starts.
    RECT Rect(const RECT& at96) const;

private:
    int m_dpi;
};
