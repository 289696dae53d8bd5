#pragma once

#include <windows.h>

// The colours an edit control paints with, chosen by its parent as for an
// edit control: a read-only or disabled one is asked about as a static
// (WM_CTLCOLORSTATIC, 3D face by default), an editable one as an edit.
class ControlColors {
public:
    explicit ControlColors(HWND control)
        : m_control(control)
    {
    }

    // Sets the DC's colours to the defaults, lets the parent change them,
    // and returns the background brush; never null.
    HBRUSH Prepare(HDC dc) const;
    // The colour for text after Prepare: the DC's, grey while disabled.
    COLORREF TextColor(HDC dc) const;

private:
    HWND m_control;
};
