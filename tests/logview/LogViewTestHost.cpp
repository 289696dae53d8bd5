#include "LogViewTestHost.h"

#include <ScopedSelect.h>

#include <gtest/gtest.h>

namespace {

constexpr DWORD kControlStyle
    = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL;
constexpr wchar_t kHostClass[] = L"LogViewTestHost";

} // namespace

LogViewTestHost::LogViewTestHost()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    EXPECT_TRUE(LogView::Register(instance));
    WNDCLASSW hostClass{};
    hostClass.lpfnWndProc = HostProc;
    hostClass.hInstance = instance;
    hostClass.lpszClassName = kHostClass;
    RegisterClassW(&hostClass);
    m_window.reset(CreateWindowExW(
        0, kHostClass, L"host", WS_OVERLAPPEDWINDOW, 0, 0, 700, 600, nullptr, nullptr, instance, nullptr));
    SetWindowLongPtrW(m_window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_view = CreateWindowExW(0, LogView::kClassName, L"", kControlStyle, 10, 10, 400, 200, m_window.get(),
        reinterpret_cast<HMENU>(1000), instance, nullptr);
    m_edit = CreateWindowExW(0, L"EDIT", L"", kControlStyle, 10, 250, 400, 200, m_window.get(),
        reinterpret_cast<HMENU>(1001), instance, nullptr);
    EXPECT_NE(m_view, nullptr);
    EXPECT_NE(m_edit, nullptr);
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(m_view, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(m_edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(m_edit, EM_SETLIMITTEXT, 0, 0);
    UniqueDc dc(CreateCompatibleDC(nullptr));
    ScopedSelect select(dc.get(), font);
    GetTextMetricsW(dc.get(), &m_metrics);
}

LRESULT CALLBACK LogViewTestHost::HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto* host = reinterpret_cast<const LogViewTestHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_CTLCOLORSTATIC && host != nullptr && host->m_background)
        return reinterpret_cast<LRESULT>(host->m_background.get());
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int LogViewTestHost::VisibleLines() const
{
    RECT client{};
    GetClientRect(m_view, &client);
    return client.bottom / LineHeight();
}

void LogViewTestHost::SetStaticBackground(COLORREF color)
{
    m_background.reset(CreateSolidBrush(color));
}

std::vector<COLORREF> LogViewTestHost::RenderView() const
{
    RECT client{};
    GetClientRect(m_view, &client);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueDc dc(CreateCompatibleDC(nullptr));
    UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap)
        return {};
    std::vector<COLORREF> pixels;
    {
        ScopedSelect select(dc.get(), bitmap.get());
        SendMessageW(m_view, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        GdiFlush();
        const auto* raw = static_cast<const DWORD*>(bits);
        for (LONG i = 0; i < client.right * client.bottom; ++i)
            pixels.push_back(RGB((raw[i] >> 16) & 0xFF, (raw[i] >> 8) & 0xFF, raw[i] & 0xFF));
    }
    return pixels;
}

void AppendLikeTheProgram(HWND control, const std::wstring& text)
{
    if (SendMessageW(control, LogViewMessages::kRepaintsChanges, 0, 0) == TRUE) {
        SendMessageW(control, LogViewMessages::kAppend, 0, reinterpret_cast<LPARAM>(text.c_str()));
        return;
    }
    SendMessageW(control, EM_SETSEL, 0x7FFFFFFF, -1);
    SendMessageW(control, EM_SCROLLCARET, 0, 0);
    SendMessageW(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    InvalidateRect(control, nullptr, TRUE);
}

std::wstring WindowText(HWND control)
{
    std::wstring text(static_cast<size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}

std::wstring LineText(HWND control, int line, WORD capacity)
{
    std::wstring buffer(std::max<size_t>(capacity, 2) + 1, L'#');
    buffer[0] = static_cast<wchar_t>(capacity);
    const LRESULT copied
        = SendMessageW(control, EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&buffer[0]));
    return buffer.substr(0, static_cast<size_t>(copied));
}

void PressKey(HWND control, WPARAM key, std::initializer_list<BYTE> held)
{
    BYTE state[256]{};
    GetKeyboardState(state);
    for (BYTE k : held)
        state[k] |= 0x80;
    SetKeyboardState(state);
    SendMessageW(control, WM_KEYDOWN, key, 1);
    for (BYTE k : held)
        state[k] &= static_cast<BYTE>(~0x80);
    SetKeyboardState(state);
}
