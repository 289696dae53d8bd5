#include "CWnd.h"

#include "ModuleState.h"

#include <utility>

namespace {

// Text of any window, whatever its length.
std::wstring GetWindowTextOf(HWND hwnd)
{
    const int length = ::GetWindowTextLengthW(hwnd);
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(hwnd, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

} // namespace

HWND CWnd::Detach()
{
    return std::exchange(m_hWnd, nullptr);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

HWND CWnd::GetDlgItem(int id) const
{
    return ::GetDlgItem(m_hWnd, id);
}

std::wstring CWnd::GetDlgItemText(int id) const
{
    return GetWindowTextOf(GetDlgItem(id));
}

void CWnd::SetDlgItemText(int id, const std::wstring& text) const
{
    ::SetDlgItemTextW(m_hWnd, id, text.c_str());
}

std::wstring CWnd::GetWindowText() const
{
    return GetWindowTextOf(m_hWnd);
}

void CWnd::SetWindowText(const std::wstring& text) const
{
    ::SetWindowTextW(m_hWnd, text.c_str());
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(RECT* rect) const
{
    ::GetClientRect(m_hWnd, rect);
}

void CWnd::Invalidate(BOOL erase) const
{
    ::InvalidateRect(m_hWnd, nullptr, erase);
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) const
{
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

HMENU CWnd::GetSystemMenu(BOOL revert) const
{
    return ::GetSystemMenu(m_hWnd, revert);
}

int CWnd::MessageBox(const std::wstring& text, const wchar_t* caption, UINT type) const
{
    std::wstring title = caption ? caption : AfxGetAppName();
    return ::MessageBoxW(m_hWnd, text.c_str(), title.c_str(), type);
}
