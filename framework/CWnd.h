#pragma once

#include <windows.h>

#include <string>

// Thin, non-owning wrapper of a window handle: one message or call per method.
class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    HWND Detach();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    HWND GetDlgItem(int id) const;
    std::wstring GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const std::wstring& text) const;
    std::wstring GetWindowText() const;
    void SetWindowText(const std::wstring& text) const;

    BOOL IsIconic() const;
    void GetClientRect(RECT* rect) const;
    void Invalidate(BOOL erase = TRUE) const;
    HICON SetIcon(HICON icon, BOOL bigIcon) const;
    HMENU GetSystemMenu(BOOL revert) const;

    // Caption defaults to the application name, as for every box the program shows.
    int MessageBox(const std::wstring& text, const wchar_t* caption = nullptr, UINT type = MB_OK) const;

protected:
    HWND m_hWnd = nullptr;
};
