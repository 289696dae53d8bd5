#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The log's text, held as lines the way the multi-line EDIT control sees it:
// only "\r\n" ends a line, a lone "\r" or "\n" is an ordinary character, and
// character positions count each line break as two characters. All line
// contents sit in one buffer, so appending at the end costs only what is
// appended and every lookup is a binary search over the line starts.
class LogText {
public:
    LogText();

    // Characters, counting two for each line break (WM_GETTEXTLENGTH).
    size_t Length() const;
    // An empty text has one, empty, line.
    size_t LineCount() const { return m_starts.size(); }
    // Without its line break; valid until the text next changes.
    std::wstring_view Line(size_t index) const;
    size_t LineLength(size_t index) const;
    // Position of the line's first character (EM_LINEINDEX).
    size_t LineStart(size_t index) const;
    // The line a position belongs to; a position inside a line break belongs
    // to the line the break ends, one past the end to the last line.
    size_t LineFromChar(size_t position) const;

    // [from, to) with "\r\n" between lines; bounds are clamped to the text.
    std::wstring Text(size_t from, size_t to) const;
    // Same characters into out, which must hold to - from of them; returns
    // how many were written.
    size_t Copy(size_t from, size_t to, wchar_t* out) const;

    void Append(std::wstring_view text);
    // Replaces [from, to); only the end of the text is cheap to replace.
    void Replace(size_t from, size_t to, std::wstring_view text);
    void Assign(std::wstring_view text);
    void Clear();

private:
    size_t LineEnd(size_t index) const;
    void Truncate(size_t position);

    std::wstring m_chars; // every line's characters, breaks left out
    std::vector<size_t> m_starts; // where each line begins in m_chars
};
