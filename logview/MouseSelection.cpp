#include "MouseSelection.h"

#include "TextNavigator.h"

namespace {

// How often a drag held outside the window scrolls on.
constexpr UINT kDragInterval = 50;

} // namespace

MouseSelection::MouseSelection(HWND view, UINT_PTR timerId)
    : m_view(view)
    , m_timerId(timerId)
{
}

bool MouseSelection::Wants(UINT message) const
{
    return message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || ::GetCapture() == m_view;
}

std::optional<Selection> MouseSelection::Select(
    UINT message, bool shift, size_t position, const LogText& text, const Selection& now)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        ::SetCapture(m_view);
        ::SetTimer(m_view, m_timerId, kDragInterval, nullptr);
        return Selection{shift ? now.anchor : position, position};
    case WM_LBUTTONDBLCLK:
        return TextNavigator(text).WordAt(position);
    case WM_MOUSEMOVE:
        if (::GetCapture() == m_view && position != now.caret)
            return Selection{now.anchor, position};
        return std::nullopt;
    case WM_LBUTTONUP:
        if (::GetCapture() == m_view) {
            ::KillTimer(m_view, m_timerId);
            ::ReleaseCapture();
        }
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void MouseSelection::CaptureLost()
{
    ::KillTimer(m_view, m_timerId);
}

bool MouseSelection::OnTimer(UINT_PTR timerId, std::optional<POINT>& cursor) const
{
    if (timerId != m_timerId)
        return false;
    POINT point{};
    if (::GetCursorPos(&point) && ::ScreenToClient(m_view, &point))
        cursor = point;
    return true;
}
