#include "Window.h"

#include "Encoding.h"

namespace e2e {

bool Window::exists() const
{
    return handle_ && ::IsWindow(handle_);
}

int Window::id() const
{
    return ::GetDlgCtrlID(handle_);
}

std::wstring Window::className() const
{
    wchar_t name[256];
    const int length = ::GetClassNameW(handle_, name, 256);
    return std::wstring(name, length > 0 ? length : 0);
}

LONG Window::style() const
{
    return ::GetWindowLongW(handle_, GWL_STYLE);
}
LONG Window::exStyle() const
{
    return ::GetWindowLongW(handle_, GWL_EXSTYLE);
}
bool Window::visible() const
{
    return ::IsWindowVisible(handle_) != FALSE;
}
bool Window::enabled() const
{
    return ::IsWindowEnabled(handle_) != FALSE;
}

DWORD Window::processId() const
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(handle_, &process);
    return process;
}

DWORD Window::threadId() const
{
    return ::GetWindowThreadProcessId(handle_, nullptr);
}

Window Window::parent() const
{
    return Window(::GetParent(handle_));
}

RECT Window::rectInParent() const
{
    RECT rect{};
    ::GetWindowRect(handle_, &rect);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(handle_), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::optional<LRESULT> Window::send(UINT message, WPARAM wParam, LPARAM lParam, std::chrono::milliseconds timeout) const
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(
            handle_, message, wParam, lParam, SMTO_ABORTIFHUNG, static_cast<UINT>(timeout.count()), &result))
        return std::nullopt;
    return static_cast<LRESULT>(result);
}

bool Window::post(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageW(handle_, message, wParam, lParam) != FALSE;
}

std::optional<std::wstring> Window::tryText() const
{
    const std::optional<LRESULT> length = send(WM_GETTEXTLENGTH);
    if (!length)
        return std::nullopt;
    std::wstring text(static_cast<std::size_t>(*length) + 1, L'\0');
    const std::optional<LRESULT> copied
        = send(WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()));
    if (!copied)
        return std::nullopt;
    text.resize(static_cast<std::size_t>(*copied));
    return text;
}

std::wstring Window::text() const
{
    return tryText().value_or(std::wstring());
}

bool Window::setText(const std::wstring& text) const
{
    const std::optional<LRESULT> result = send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return result && *result != FALSE;
}

Window Window::child(int id) const
{
    return Window(::GetDlgItem(handle_, id));
}

std::vector<Window> Window::children() const
{
    std::vector<Window> result;
    for (HWND child = ::GetWindow(handle_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        result.emplace_back(child);
    return result;
}

bool Window::click() const
{
    if (!exists() || !visible() || !enabled())
        return false;
    return post(BM_CLICK);
}

void Window::pressKey(UINT virtualKey) const
{
    const LPARAM scanCode = static_cast<LPARAM>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    post(WM_KEYDOWN, virtualKey, scanCode | 1);
    post(WM_KEYUP, virtualKey, scanCode | 1 | (LPARAM(1) << 30) | (LPARAM(1) << 31));
}

void Window::typeText(const std::wstring& text) const
{
    for (wchar_t c : text)
        post(WM_CHAR, c, 1);
}

namespace {

struct TopLevelSearch {
    DWORD processId;
    std::vector<Window> found;
};

BOOL CALLBACK collectTopLevel(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<TopLevelSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && ::IsWindowVisible(window))
        search->found.emplace_back(window);
    return TRUE;
}

} // namespace

std::vector<Window> Window::topLevelOf(DWORD processId)
{
    TopLevelSearch search{processId, {}};
    ::EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Window::describe() const
{
    if (!exists())
        return "(no window)";
    return "window class '" + testkit::encoding::toUtf8(className()) + "' id " + std::to_string(id()) + " text '"
        + testkit::encoding::toUtf8(text()) + "'";
}

} // namespace e2e
