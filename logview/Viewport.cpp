#include "Viewport.h"

#include <algorithm>
#include <climits>

namespace {

long long FloorDivide(long long value, long long divisor)
{
    const long long quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

} // namespace

void Viewport::Fit(const RECT& area, const ViewMetrics& metrics)
{
    client = area;
    text = area;
    text.left += metrics.marginX;
    text.right = std::max(text.left, text.right - metrics.marginX);
    lineHeight = std::max(1, metrics.lineHeight);
}

size_t Viewport::VisibleLines() const
{
    return static_cast<size_t>(std::max(1L, (text.bottom - text.top) / lineHeight));
}

size_t Viewport::LastFirstLine(size_t lineCount) const
{
    const size_t visible = VisibleLines();
    return lineCount > visible ? lineCount - visible : 0;
}

size_t Viewport::FirstLineShowing(size_t line) const
{
    const size_t visible = VisibleLines();
    if (line < firstLine)
        return line;
    if (line >= firstLine + visible)
        return line - visible + 1;
    return firstLine;
}

int Viewport::OffsetShowing(int x) const
{
    const int width = Width();
    if (x < xOffset)
        return std::max(0, x - width / 3);
    if (x >= xOffset + width)
        return x - width + width / 3;
    return xOffset;
}

int Viewport::Top(size_t line) const
{
    const long long row = static_cast<long long>(line) - static_cast<long long>(firstLine);
    return static_cast<int>(std::clamp<long long>(text.top + row * lineHeight, -SHRT_MAX, SHRT_MAX));
}

size_t Viewport::LineAt(int y, size_t lineCount) const
{
    const long long row = FloorDivide(static_cast<long long>(y) - text.top, lineHeight);
    return static_cast<size_t>(
        std::clamp<long long>(static_cast<long long>(firstLine) + row, 0, static_cast<long long>(lineCount) - 1));
}

std::pair<size_t, size_t> Viewport::LinesMeeting(int top, int bottom, size_t lineCount) const
{
    const size_t first = firstLine + static_cast<size_t>(std::max(0L, (top - text.top) / lineHeight));
    const size_t last = std::min(
        lineCount, firstLine + static_cast<size_t>(std::max(0L, (bottom - text.top + lineHeight - 1) / lineHeight)));
    return {first, last};
}

std::optional<size_t> Viewport::FirstLineFor(WORD request, int trackPos, size_t lineCount) const
{
    const long long page = static_cast<long long>(VisibleLines());
    long long target = 0;
    switch (request) {
    case SB_LINEUP:
        target = static_cast<long long>(firstLine) - 1;
        break;
    case SB_LINEDOWN:
        target = static_cast<long long>(firstLine) + 1;
        break;
    case SB_PAGEUP:
        target = static_cast<long long>(firstLine) - page;
        break;
    case SB_PAGEDOWN:
        target = static_cast<long long>(firstLine) + page;
        break;
    case SB_TOP:
        target = 0;
        break;
    case SB_BOTTOM:
        return LastFirstLine(lineCount);
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        target = trackPos;
        break;
    default:
        return std::nullopt;
    }
    return std::min(static_cast<size_t>(std::max(0LL, target)), LastFirstLine(lineCount));
}

std::optional<int> Viewport::OffsetFor(WORD request, WORD thumb, int step, int widest) const
{
    int target = 0;
    switch (request) {
    case SB_LINELEFT:
        target = xOffset - step;
        break;
    case SB_LINERIGHT:
        target = xOffset + step;
        break;
    case SB_PAGELEFT:
        target = xOffset - Width();
        break;
    case SB_PAGERIGHT:
        target = xOffset + Width();
        break;
    case SB_LEFT:
        target = 0;
        break;
    case SB_RIGHT:
        target = INT_MAX;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        // Without a horizontal bar the position is a percentage of the width.
        target = static_cast<int>(static_cast<long long>(widest) * thumb / 100);
        break;
    default:
        return std::nullopt;
    }
    // At most an average character past the end of the widest line in
    // view; an offset already beyond that (the wide line scrolled out of
    // view) is not pulled back.
    const int limit = std::max({0, widest - Width() + step, xOffset});
    return std::clamp(target, 0, limit);
}

std::optional<long> Viewport::LinesForKey(WPARAM key) const
{
    const long page = static_cast<long>(VisibleLines());
    switch (key) {
    case VK_UP:
        return -1;
    case VK_DOWN:
        return 1;
    case VK_PRIOR:
        return -page;
    case VK_NEXT:
        return page;
    default:
        return std::nullopt;
    }
}

SCROLLINFO Viewport::ScrollInfo(size_t lineCount) const
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = static_cast<int>(std::min<size_t>(lineCount - 1, INT_MAX));
    info.nPage = static_cast<UINT>(VisibleLines());
    info.nPos = static_cast<int>(std::min<size_t>(firstLine, INT_MAX));
    return info;
}
