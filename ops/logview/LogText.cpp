#include "LogText.h"

#include <algorithm>

namespace {

constexpr wchar_t kBreak[] = L"\r\n";

} // namespace

LogText::LogText()
    : m_starts{0}
{
}

size_t LogText::Length() const
{
    return m_chars.size() + 2 * (m_starts.size() - 1);
}

size_t LogText::LineEnd(size_t index) const
{
    return index + 1 < m_starts.size() ? m_starts[index + 1] : m_chars.size();
}

std::wstring_view LogText::Line(size_t index) const
{
    if (index >= m_starts.size())
        return {};
    return std::wstring_view(m_chars).substr(m_starts[index], LineEnd(index) - m_starts[index]);
}

size_t LogText::LineLength(size_t index) const
{
    return index < m_starts.size() ? LineEnd(index) - m_starts[index] : 0;
}

size_t LogText::LineStart(size_t index) const
{
    index = std::min(index, m_starts.size() - 1);
    return m_starts[index] + 2 * index;
}

size_t LogText::LineFromChar(size_t position) const
{
    // Line starts in character positions (buffer offset plus two per earlier
    // break) rise strictly, so the last one not after position is the line.
    size_t low = 0;
    size_t high = m_starts.size();
    while (high - low > 1) {
        const size_t middle = low + (high - low) / 2;
        if (m_starts[middle] + 2 * middle <= position)
            low = middle;
        else
            high = middle;
    }
    return low;
}

size_t LogText::Copy(size_t from, size_t to, wchar_t* out) const
{
    to = std::min(to, Length());
    if (from >= to)
        return 0;
    wchar_t* const begin = out;
    size_t index = LineFromChar(from);
    size_t position = from;
    while (position < to) {
        const size_t start = LineStart(index);
        const size_t size = LineLength(index);
        if (position < start + size) {
            const size_t end = std::min(to, start + size);
            out = std::copy(m_chars.data() + m_starts[index] + (position - start),
                m_chars.data() + m_starts[index] + (end - start), out);
            position = end;
        }
        // What is left of this line is (part of) its break.
        const size_t breakEnd = std::min(to, start + size + 2);
        if (position < breakEnd) {
            out = std::copy(kBreak + (position - start - size), kBreak + (breakEnd - start - size), out);
            position = breakEnd;
        }
        ++index;
    }
    return static_cast<size_t>(out - begin);
}

std::wstring LogText::Text(size_t from, size_t to) const
{
    to = std::min(to, Length());
    if (from >= to)
        return {};
    std::wstring result(to - from, L'\0');
    result.resize(Copy(from, to, &result[0]));
    return result;
}

void LogText::Append(std::wstring_view text)
{
    size_t segment = 0;
    // A "\r" that ended the previous append and the "\n" that starts this one
    // are one line break.
    if (!text.empty() && text.front() == L'\n' && m_chars.size() > m_starts.back() && m_chars.back() == L'\r') {
        m_chars.pop_back();
        m_starts.push_back(m_chars.size());
        segment = 1;
    }
    size_t search = segment;
    for (;;) {
        const size_t newline = text.find(L'\n', search);
        if (newline == std::wstring_view::npos)
            break;
        if (newline > segment && text[newline - 1] == L'\r') {
            m_chars.append(text.data() + segment, newline - 1 - segment);
            m_starts.push_back(m_chars.size());
            segment = newline + 1;
        }
        search = newline + 1;
    }
    m_chars.append(text.data() + segment, text.size() - segment);
}

void LogText::Truncate(size_t position)
{
    const size_t index = LineFromChar(position);
    const size_t offset = position - LineStart(index);
    const size_t size = LineLength(index);
    if (offset <= size) {
        m_chars.resize(m_starts[index] + offset);
    } else {
        // Cut between the "\r" and the "\n" of the break: the "\r" stays as
        // the line's last character, as it does in the raw text.
        m_chars.resize(m_starts[index] + size);
        m_chars.push_back(L'\r');
    }
    m_starts.resize(index + 1);
}

void LogText::Replace(size_t from, size_t to, std::wstring_view text)
{
    const size_t total = Length();
    to = std::min(to, total);
    from = std::min(from, to);
    if (from == total) {
        Append(text);
        return;
    }
    const std::wstring tail = Text(to, total);
    Truncate(from);
    Append(text);
    Append(tail);
}

void LogText::Assign(std::wstring_view text)
{
    Clear();
    Append(text);
}

void LogText::Clear()
{
    std::wstring().swap(m_chars);
    std::vector<size_t>{0}.swap(m_starts);
}
