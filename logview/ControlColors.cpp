#include "ControlColors.h"

HBRUSH ControlColors::Prepare(HDC dc) const
{
    const LONG_PTR style = ::GetWindowLongPtrW(m_control, GWL_STYLE);
    const bool asStatic = (style & ES_READONLY) != 0 || !::IsWindowEnabled(m_control);
    const UINT message = asStatic ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
    const int backgroundColor = asStatic ? COLOR_3DFACE : COLOR_WINDOW;
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(backgroundColor));
    HBRUSH brush = nullptr;
    const HWND parent = ::GetParent(m_control);
    if (parent != nullptr) {
        const WPARAM wParam = reinterpret_cast<WPARAM>(dc);
        const LPARAM lParam = reinterpret_cast<LPARAM>(m_control);
        brush = reinterpret_cast<HBRUSH>(::SendMessageW(parent, message, wParam, lParam));
        if (brush == nullptr)
            brush = reinterpret_cast<HBRUSH>(::DefWindowProcW(parent, message, wParam, lParam));
    }
    return brush != nullptr ? brush : ::GetSysColorBrush(backgroundColor);
}

COLORREF ControlColors::TextColor(HDC dc) const
{
    return ::IsWindowEnabled(m_control) ? ::GetTextColor(dc) : ::GetSysColor(COLOR_GRAYTEXT);
}
