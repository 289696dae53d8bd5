#pragma once

#include "DialogKeys.h"
#include "LogSearch.h"

#include <UniqueAny.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

// The find window: "查找内容", "区分大小写", "向上"/"向下", "查找下一个" and
// "取消". Modeless, so the operator can go on finding while it is open and
// the log goes on growing; Enter finds, Esc closes, Tab moves within it,
// whichever loop is pumping the thread's messages. It only asks: the search
// itself is its owner's, called directly.
class FindBox {
public:
    // Finds what the operator asked for; true if it was found.
    using Find = std::function<bool(const SearchQuery& query)>;

    // The control ids within the box, for whoever drives it from outside.
    enum Id : WORD { kTextId = 1001, kMatchCaseId = 1002, kUpId = 1003, kDownId = 1004 };

    // target: the window the box finds in, which it belongs to.
    FindBox(HWND target, Find find);
    ~FindBox();
    FindBox(const FindBox&) = delete;
    FindBox& operator=(const FindBox&) = delete;

    // Shows the box owned by owner, or brings it forward if it is open, with
    // the text to find set to prefill where there is one and all of it
    // selected. It opens looking up: the newest lines are at the end, where
    // the caret is while the log follows what is appended.
    void Open(HWND owner, const std::optional<std::wstring>& prefill);
    void Close();
    // Open and shown: the window then owns what the search says.
    HWND Shown() const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam);
    void Fill(const std::optional<std::wstring>& prefill) const;
    SearchQuery Asked() const;
    void EnableFind() const;

    HWND m_target;
    Find m_find;
    // The box keeps the operator's last text and case between openings.
    SearchQuery m_last;
    UniqueWindow m_box;
    std::unique_ptr<DialogKeys> m_keys;
};
