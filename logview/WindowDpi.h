#pragma once

#include <windows.h>

// The DPI a window is shown at, and the messages that say it changed. The
// calls for per-monitor DPI came with Windows 10 and are looked up at run
// time, so that the program still starts on older Windows.
class WindowDpi {
public:
    // Sent with the new DPI in wParam and the suggested window rectangle in lParam.
    static constexpr UINT kChanged = 0x02E0; // WM_DPICHANGED
    // Sent to every child once its top-level window has taken the new DPI.
    static constexpr UINT kChangedAfterParent = 0x02E3; // WM_DPICHANGED_AFTERPARENT

    // GetDpiForWindow (Windows 10 1607 and later), else the screen's DPI.
    static int Of(HWND window);
    // Ask the dialog manager of a per-monitor dialog (Windows 10 1703 and
    // later) to leave the control's font, or its place and size, to its
    // owner when the DPI changes; false where there is no such dialog manager.
    static bool KeepFontOnChange(HWND control);
    static bool KeepPlaceOnChange(HWND control);
};
