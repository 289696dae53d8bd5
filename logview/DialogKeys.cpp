#include "DialogKeys.h"

#include <algorithm>
#include <vector>

namespace {

// The boxes of this thread, each with a hook of its own; any of the hooks
// serves them all, the others let the message by.
thread_local std::vector<HWND> t_boxes;

} // namespace

DialogKeys::DialogKeys(HWND box)
    : m_box(box)
    , m_hook(::SetWindowsHookExW(WH_GETMESSAGE, OnMessage, nullptr, ::GetCurrentThreadId()))
{
    t_boxes.push_back(box);
}

DialogKeys::~DialogKeys()
{
    t_boxes.erase(std::remove(t_boxes.begin(), t_boxes.end(), m_box), t_boxes.end());
}

LRESULT CALLBACK DialogKeys::OnMessage(int code, WPARAM removed, LPARAM message)
{
    auto* msg = reinterpret_cast<MSG*>(message);
    if (code == HC_ACTION && removed == PM_REMOVE && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
        for (const HWND box : t_boxes) {
            if ((msg->hwnd == box || ::IsChild(box, msg->hwnd)) && ::IsDialogMessageW(box, msg)) {
                // Handled: whichever loop took it now has nothing to do.
                msg->message = WM_NULL;
                break;
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, removed, message);
}
