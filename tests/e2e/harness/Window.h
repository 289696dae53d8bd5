#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// A window of another process, seen from the test. Nothing here can hang a
// test: messages that need an answer go with a timeout, everything else is
// posted.
class Window {
public:
    static constexpr std::chrono::milliseconds kAnswerTimeout{5000};

    Window() = default;
    explicit Window(HWND handle)
        : handle_(handle)
    {
    }

    HWND handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    bool exists() const;

    int id() const;
    std::wstring className() const;
    LONG style() const;
    LONG exStyle() const;
    bool visible() const;
    bool enabled() const;
    DWORD processId() const;
    DWORD threadId() const;
    Window parent() const;
    // The window rectangle in the client coordinates of its parent.
    RECT rectInParent() const;

    // WM_GETTEXTLENGTH + WM_GETTEXT: nothing if the window did not answer in time.
    std::optional<std::wstring> tryText() const;
    // The same, empty when there was no answer.
    std::wstring text() const;
    bool setText(const std::wstring& text) const;

    Window child(int id) const;
    // Direct children in z-order, which for a dialog is the template order.
    std::vector<Window> children() const;

    std::optional<LRESULT> send(
        UINT message, WPARAM wParam = 0, LPARAM lParam = 0, std::chrono::milliseconds timeout = kAnswerTimeout) const;
    bool post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // Clicks a button the way the mouse would: a hidden or disabled button
    // ignores it. Posted, so it returns at once even while the owner is busy.
    // False if the click was not delivered.
    bool click() const;
    // WM_KEYDOWN + WM_KEYUP, posted so they pass through the owner's message
    // loop (and its IsDialogMessage) like real keys.
    void pressKey(UINT virtualKey) const;
    // One WM_CHAR per character.
    void typeText(const std::wstring& text) const;

    // Visible top-level windows of a process, in z-order.
    static std::vector<Window> topLevelOf(DWORD processId);

    // For failure messages: class, id and text.
    std::string describe() const;

private:
    HWND handle_ = nullptr;
};

} // namespace e2e
