#include "VerticalScrollBar.h"

#include <algorithm>
#include <climits>

namespace {

constexpr DWORD kRedrawInterval = 100;

} // namespace

VerticalScrollBar::VerticalScrollBar(HWND view, UINT_PTR timerId)
    : m_view(view)
    , m_timerId(timerId)
    , m_pacer(kRedrawInterval)
{
}

bool VerticalScrollBar::Set(SCROLLINFO info)
{
    if ((::GetWindowLongPtrW(m_view, GWL_STYLE) & WS_VSCROLL) == 0)
        return false;
    info.fMask |= SIF_DISABLENOSCROLL;
    ::SetScrollInfo(m_view, SB_VERT, &info, FALSE);
    m_pacer.Changed();
    return true;
}

void VerticalScrollBar::AtPaint()
{
    const IntervalPacer::Step step = m_pacer.Next(::GetTickCount());
    if (step.fire)
        ::RedrawWindow(m_view, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    else if (step.wait != 0 && ::SetTimer(m_view, m_timerId, step.wait, nullptr) == 0)
        m_pacer.TimerEnded();
}

bool VerticalScrollBar::OnTimer(UINT_PTR timerId)
{
    if (timerId != m_timerId)
        return false;
    ::KillTimer(m_view, m_timerId);
    m_pacer.TimerEnded();
    return true;
}

int VerticalScrollBar::TrackPosition(size_t fallback) const
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    if (!::GetScrollInfo(m_view, SB_VERT, &info))
        return static_cast<int>(std::min<size_t>(fallback, INT_MAX));
    return info.nTrackPos;
}
