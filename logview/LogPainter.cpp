#include "LogPainter.h"

#include "ScopedSelect.h"

#include <algorithm>
#include <string_view>

void LogPainter::Paint(HDC dc, const RECT& area, HBRUSH background, COLORREF textColor, const Selection& shown) const
{
    ::FillRect(dc, &area, background);

    const RECT& text = m_viewport.text;
    const int clipLeft = std::max(area.left, text.left);
    const int clipRight = std::min(area.right, text.right);
    if (clipLeft >= clipRight)
        return;
    const auto [first, last] = m_viewport.LinesMeeting(area.top, area.bottom, m_text.LineCount());
    const size_t selectionStart = shown.Start();
    const size_t selectionEnd = shown.End();
    const COLORREF selectedColor = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    const int originX = m_viewport.ClientX(0);

    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, text.left, text.top, text.right, text.bottom);
    {
        ScopedSelect font(dc, m_measurer.Font());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, textColor);
        for (size_t line = first; line < last; ++line) {
            const int y = m_viewport.Top(line);
            const std::wstring_view chars = m_text.Line(line);
            const size_t start = m_text.LineStart(line);
            size_t from = chars.size();
            size_t to = chars.size();
            if (!shown.Empty() && selectionStart < start + chars.size() && selectionEnd > start) {
                from = selectionStart > start ? selectionStart - start : 0;
                to = std::min(selectionEnd - start, chars.size());
            }
            m_measurer.Draw(dc, line, chars, 0, from, originX, y, clipLeft, clipRight);
            if (from < to) {
                const RECT selected{originX + m_measurer.XOf(line, chars, from), y,
                    originX + m_measurer.XOf(line, chars, to), y + m_viewport.lineHeight};
                ::FillRect(dc, &selected, ::GetSysColorBrush(COLOR_HIGHLIGHT));
                ::SetTextColor(dc, selectedColor);
                m_measurer.Draw(dc, line, chars, from, to, originX, y, clipLeft, clipRight);
                ::SetTextColor(dc, textColor);
                m_measurer.Draw(dc, line, chars, to, chars.size(), originX, y, clipLeft, clipRight);
            }
        }
    }
    ::RestoreDC(dc, saved);
}
