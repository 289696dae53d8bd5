#include "LogLayout.h"

#include <algorithm>
#include <string_view>

int LogLayout::XOf(size_t position) const
{
    const size_t line = m_text.LineFromChar(position);
    return m_measurer.XOf(line, m_text.Line(line), position - m_text.LineStart(line));
}

POINT LogLayout::PointOf(size_t position) const
{
    return {m_viewport.ClientX(XOf(position)), m_viewport.Top(m_text.LineFromChar(position))};
}

size_t LogLayout::PositionAt(POINT point) const
{
    return PositionOnLine(m_viewport.LineAt(point.y, m_text.LineCount()), m_viewport.LineX(point.x));
}

size_t LogLayout::PositionOnLine(size_t line, int x) const
{
    return m_text.LineStart(line) + m_measurer.ColumnAt(line, m_text.Line(line), x);
}

size_t LogLayout::PositionLinesAway(size_t position, long lines, int x) const
{
    const long long line = std::clamp<long long>(static_cast<long long>(m_text.LineFromChar(position)) + lines, 0,
        static_cast<long long>(m_text.LineCount()) - 1);
    return PositionOnLine(static_cast<size_t>(line), x);
}

int LogLayout::WidestVisibleLine() const
{
    const size_t first = m_viewport.firstLine;
    const size_t end = std::min(m_text.LineCount(), first + m_viewport.VisibleLines() + 1);
    int widest = 0;
    for (size_t line = first; line < end; ++line) {
        const std::wstring_view text = m_text.Line(line);
        widest = std::max(widest, m_measurer.XOf(line, text, text.size()));
    }
    return widest;
}
