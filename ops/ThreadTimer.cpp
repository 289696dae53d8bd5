#include "ThreadTimer.h"

#include <map>
#include <utility>

namespace {

// A timer without a window carries no context to its callback but its id,
// which the platform chooses: the live timers are found by it here. A
// WM_TIMER still queued when its timer was killed finds nothing.
std::map<UINT_PTR, ThreadTimer*>& LiveTimers()
{
    static std::map<UINT_PTR, ThreadTimer*> timers;
    return timers;
}

} // namespace

ThreadTimer::ThreadTimer(UINT intervalMs, std::function<void()> onTick)
    : m_id(::SetTimer(nullptr, 0, intervalMs, &ThreadTimer::OnTimer))
    , m_onTick(std::move(onTick))
{
    if (m_id != 0)
        LiveTimers()[m_id] = this;
}

ThreadTimer::~ThreadTimer()
{
    if (m_id == 0)
        return;
    ::KillTimer(nullptr, m_id);
    LiveTimers().erase(m_id);
}

void CALLBACK ThreadTimer::OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    const auto found = LiveTimers().find(id);
    if (found != LiveTimers().end())
        found->second->m_onTick();
}
