#include "Pinger.h"

#include "BenchClock.h"

Pinger::Pinger(HWND target)
    : m_target(target)
    , m_thread([this] { Loop(); })
{
}

Pinger::~Pinger()
{
    Stop();
}

std::vector<double> Pinger::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    return m_roundTripsMs;
}

void Pinger::Loop()
{
    while (!m_stop) {
        DWORD_PTR result = 0;
        const LONGLONG start = BenchClock::Now();
        const bool answered = ::SendMessageTimeoutW(m_target, WM_NULL, 0, 0, SMTO_NORMAL, kDeadlineMs, &result) != 0;
        if (!answered && ::GetLastError() != ERROR_TIMEOUT)
            return;
        m_roundTripsMs.push_back(BenchClock::Milliseconds(BenchClock::Now() - start));
        ::Sleep(kPauseMs);
    }
}
