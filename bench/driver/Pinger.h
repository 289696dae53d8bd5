#pragma once

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

// Asks a window for WM_NULL over and over from a thread of its own, timing
// each round trip: how long a click or a repaint would wait for the window's
// thread. A round trip that runs into the deadline counts as the deadline.
class Pinger {
public:
    static constexpr UINT kDeadlineMs = 10000;
    static constexpr DWORD kPauseMs = 10;

    explicit Pinger(HWND target);
    ~Pinger();
    Pinger(const Pinger&) = delete;
    Pinger& operator=(const Pinger&) = delete;

    // Stops pinging; the round trips in milliseconds.
    std::vector<double> Stop();

private:
    void Loop();

    HWND m_target;
    std::atomic<bool> m_stop{false};
    std::vector<double> m_roundTripsMs;
    std::thread m_thread;
};
