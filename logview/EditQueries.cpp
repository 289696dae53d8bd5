#include "EditQueries.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

// The edit control reads positions as unsigned, so -1 and every other
// out-of-range value mean the end of the text.
size_t ClampPosition(LPARAM value, size_t length)
{
    return std::min<size_t>(static_cast<UINT>(value), length);
}

// Two words in one answer, as the edit control gives them: it returns a
// LONG, which a 64-bit build widens with its sign. MAKELRESULT widens
// through a DWORD and would make a high word of 0x8000 or more positive.
LRESULT TwoWords(WORD low, WORD high)
{
    return MAKELONG(low, high);
}

} // namespace

bool EditQueries::AsksLayout(UINT message)
{
    return message == EM_POSFROMCHAR || message == EM_CHARFROMPOS;
}

std::optional<LRESULT> EditQueries::Answer(UINT message, WPARAM wParam, LPARAM lParam) const
{
    switch (message) {
    case WM_GETTEXT:
        return GetText(wParam, reinterpret_cast<wchar_t*>(lParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(m_text.Length());
    case EM_GETSEL:
        return GetSelection(reinterpret_cast<DWORD*>(wParam), reinterpret_cast<DWORD*>(lParam));
    case EM_GETLINECOUNT:
        return static_cast<LRESULT>(m_text.LineCount());
    case EM_GETLINE:
        return GetLine(wParam, reinterpret_cast<wchar_t*>(lParam));
    case EM_LINEINDEX:
        return LineIndex(static_cast<int>(wParam));
    case EM_LINELENGTH:
        return LineLength(static_cast<int>(wParam));
    case EM_LINEFROMCHAR:
        return LineFromChar(static_cast<int>(wParam));
    case EM_GETFIRSTVISIBLELINE:
        return static_cast<LRESULT>(m_layout.View().firstLine);
    case EM_POSFROMCHAR:
        return PosFromChar(static_cast<UINT>(wParam));
    case EM_CHARFROMPOS:
        return CharFromPos({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    default:
        return std::nullopt;
    }
}

Selection EditQueries::Requested(WPARAM start, LPARAM end) const
{
    if (static_cast<int>(start) == -1)
        return {m_selection.caret, m_selection.caret};
    const size_t length = m_text.Length();
    return {ClampPosition(static_cast<LPARAM>(start), length), ClampPosition(end, length)};
}

LRESULT EditQueries::GetText(size_t capacity, wchar_t* buffer) const
{
    if (capacity == 0 || buffer == nullptr)
        return 0;
    const size_t copied = m_text.Copy(0, capacity - 1, buffer);
    buffer[copied] = L'\0';
    return static_cast<LRESULT>(copied);
}

LRESULT EditQueries::GetSelection(DWORD* start, DWORD* end) const
{
    const size_t first = m_selection.Start();
    const size_t last = m_selection.End();
    if (start != nullptr)
        *start = static_cast<DWORD>(first);
    if (end != nullptr)
        *end = static_cast<DWORD>(last);
    // The result has room for 16 bits each; beyond that only the pointers tell.
    return first > 0xFFFF || last > 0xFFFF ? -1 : TwoWords(static_cast<WORD>(first), static_cast<WORD>(last));
}

LRESULT EditQueries::GetLine(WPARAM lineIndex, wchar_t* buffer) const
{
    // The buffer's first WORD holds its size; what is copied has no
    // terminating zero. Line -1 is the caret's, as for EM_LINEINDEX.
    if (buffer == nullptr)
        return 0;
    const int requested = static_cast<int>(lineIndex);
    if (requested == -1)
        lineIndex = m_text.LineFromChar(m_selection.caret);
    else if (requested < 0)
        lineIndex = 0;
    else if (lineIndex >= m_text.LineCount())
        return 0;
    WORD capacity = 0;
    std::memcpy(&capacity, buffer, sizeof capacity);
    const std::wstring_view line = m_text.Line(lineIndex);
    const size_t count = std::min<size_t>(capacity, line.size());
    std::copy(line.data(), line.data() + count, buffer);
    return static_cast<LRESULT>(count);
}

LRESULT EditQueries::LineIndex(int line) const
{
    if (line == -1)
        return static_cast<LRESULT>(m_text.LineStart(m_text.LineFromChar(m_selection.caret)));
    if (line < 0)
        return 0;
    if (static_cast<size_t>(line) >= m_text.LineCount())
        return -1;
    return static_cast<LRESULT>(m_text.LineStart(static_cast<size_t>(line)));
}

LRESULT EditQueries::LineLength(int position) const
{
    if (position == -1) {
        // The unselected characters of the lines the selection touches.
        const size_t start = m_selection.Start();
        const size_t end = m_selection.End();
        const size_t startLine = m_text.LineFromChar(start);
        const size_t endLine = m_text.LineFromChar(end);
        const size_t before = std::min(start - m_text.LineStart(startLine), m_text.LineLength(startLine));
        const size_t endLineEnd = m_text.LineStart(endLine) + m_text.LineLength(endLine);
        return static_cast<LRESULT>(before + (endLineEnd > end ? endLineEnd - end : 0));
    }
    const size_t clamped = position < 0 ? 0 : std::min<size_t>(static_cast<size_t>(position), m_text.Length());
    return static_cast<LRESULT>(m_text.LineLength(m_text.LineFromChar(clamped)));
}

LRESULT EditQueries::LineFromChar(int position) const
{
    if (position == -1)
        return static_cast<LRESULT>(m_text.LineFromChar(m_selection.Start()));
    if (position < 0)
        return 0;
    return static_cast<LRESULT>(m_text.LineFromChar(static_cast<size_t>(position)));
}

LRESULT EditQueries::PosFromChar(size_t position) const
{
    // Like the edit control: only positions of characters, not the end.
    if (position >= m_text.Length())
        return -1;
    const POINT point = m_layout.PointOf(position);
    return TwoWords(static_cast<WORD>(point.x), static_cast<WORD>(point.y));
}

LRESULT EditQueries::CharFromPos(POINT point) const
{
    // Like the edit control: nothing outside the client area.
    if (!::PtInRect(&m_layout.View().client, point))
        return -1;
    const size_t position = m_layout.PositionAt(point);
    return TwoWords(static_cast<WORD>(position), static_cast<WORD>(m_text.LineFromChar(position)));
}
