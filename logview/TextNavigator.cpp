#include "TextNavigator.h"

#include <algorithm>
#include <string_view>

namespace {

enum class CharClass { Space, Word, Punctuation };

CharClass Classify(wchar_t c)
{
    if (c == L' ' || c == L'\t' || c == 0x3000)
        return CharClass::Space;
    if ((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_' || c >= 0x80)
        return CharClass::Word;
    return CharClass::Punctuation;
}

bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

size_t TextNavigator::CharLeft(size_t position) const
{
    if (position == 0)
        return 0;
    const size_t line = m_text.LineFromChar(position);
    const size_t start = m_text.LineStart(line);
    if (position == start)
        return m_text.LineStart(line - 1) + m_text.LineLength(line - 1);
    const std::wstring_view text = m_text.Line(line);
    size_t column = std::min(position - start - 1, text.size());
    if (column > 0 && column < text.size() && IsLowSurrogate(text[column]) && IsHighSurrogate(text[column - 1]))
        --column;
    return start + column;
}

size_t TextNavigator::CharRight(size_t position) const
{
    const size_t line = m_text.LineFromChar(position);
    const size_t start = m_text.LineStart(line);
    const std::wstring_view text = m_text.Line(line);
    if (position < start + text.size()) {
        size_t column = position - start + 1;
        if (column < text.size() && IsLowSurrogate(text[column]) && IsHighSurrogate(text[column - 1]))
            ++column;
        return start + column;
    }
    return line + 1 < m_text.LineCount() ? m_text.LineStart(line + 1) : m_text.Length();
}

size_t TextNavigator::WordLeft(size_t position) const
{
    const size_t line = m_text.LineFromChar(position);
    const size_t start = m_text.LineStart(line);
    if (position == start)
        return CharLeft(position);
    const std::wstring_view text = m_text.Line(line);
    size_t column = std::min(position - start, text.size());
    while (column > 0 && Classify(text[column - 1]) == CharClass::Space)
        --column;
    if (column > 0) {
        const CharClass kind = Classify(text[column - 1]);
        while (column > 0 && Classify(text[column - 1]) == kind)
            --column;
    }
    return start + column;
}

size_t TextNavigator::WordRight(size_t position) const
{
    const size_t line = m_text.LineFromChar(position);
    const size_t start = m_text.LineStart(line);
    const std::wstring_view text = m_text.Line(line);
    if (position >= start + text.size())
        return CharRight(position);
    size_t column = position - start;
    const CharClass kind = Classify(text[column]);
    if (kind != CharClass::Space) {
        while (column < text.size() && Classify(text[column]) == kind)
            ++column;
    }
    while (column < text.size() && Classify(text[column]) == CharClass::Space)
        ++column;
    return start + column;
}

Selection TextNavigator::WordAt(size_t position) const
{
    const size_t line = m_text.LineFromChar(position);
    const size_t start = m_text.LineStart(line);
    const std::wstring_view text = m_text.Line(line);
    if (text.empty())
        return {start, start};
    const size_t column = std::min(position - start, text.size());
    // At the end of the line the word is the one the line ends with.
    const CharClass kind = Classify(text[column < text.size() ? column : column - 1]);
    size_t first = column;
    while (first > 0 && Classify(text[first - 1]) == kind)
        --first;
    size_t last = column;
    while (last < text.size() && Classify(text[last]) == kind)
        ++last;
    return {start + first, start + last};
}

size_t TextNavigator::LineHome(size_t position) const
{
    return m_text.LineStart(m_text.LineFromChar(position));
}

size_t TextNavigator::LineEnd(size_t position) const
{
    const size_t line = m_text.LineFromChar(position);
    return m_text.LineStart(line) + m_text.LineLength(line);
}

std::optional<size_t> TextNavigator::KeyTarget(WPARAM key, bool control, size_t caret) const
{
    switch (key) {
    case VK_LEFT:
        return control ? WordLeft(caret) : CharLeft(caret);
    case VK_RIGHT:
        return control ? WordRight(caret) : CharRight(caret);
    case VK_HOME:
        return control ? 0 : LineHome(caret);
    case VK_END:
        return control ? m_text.Length() : LineEnd(caret);
    default:
        return std::nullopt;
    }
}
