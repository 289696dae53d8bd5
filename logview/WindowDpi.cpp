#include "WindowDpi.h"

namespace {

template <typename Function> Function User32Function(const char* name)
{
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
                             : nullptr;
}

// DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS, passed as the int it is.
constexpr int kDisableFontUpdate = 0x0001;
constexpr int kDisableRelayout = 0x0002;

bool DisableControlBehavior(HWND control, int behavior)
{
    using SetBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehavior = User32Function<SetBehaviorFunction>("SetDialogControlDpiChangeBehavior");
    return setBehavior != nullptr && setBehavior(control, behavior, behavior) != FALSE;
}

} // namespace

int WindowDpi::Of(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        if (const UINT dpi = getDpiForWindow(window))
            return static_cast<int>(dpi);
    }
    int dpi = 0;
    if (const HDC dc = ::GetDC(window)) {
        dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
        ::ReleaseDC(window, dc);
    }
    return dpi;
}

bool WindowDpi::KeepFontOnChange(HWND control)
{
    return DisableControlBehavior(control, kDisableFontUpdate);
}

bool WindowDpi::KeepPlaceOnChange(HWND control)
{
    return DisableControlBehavior(control, kDisableRelayout);
}
