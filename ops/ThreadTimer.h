#pragma once

#include <windows.h>

#include <functional>

// A timer of the calling thread, with no window of its own: its callback runs
// whenever its WM_TIMER is dispatched, by whichever loop pumps the thread's
// messages at the time: ours, a modal box's, a menu's, or the platform's own
// while the operator drags or sizes a window. It ticks until its owner goes.
// User-interface thread only.
class ThreadTimer {
public:
    ThreadTimer(UINT intervalMs, std::function<void()> onTick);
    ~ThreadTimer();

    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

    // False if the platform gave no timer; the callback then never runs.
    bool Ticking() const { return m_id != 0; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);

    UINT_PTR m_id = 0;
    std::function<void()> m_onTick;
};
