#pragma once

#include "LogText.h"

#include <cstddef>

// The log's text as UTF-8, a buffer at a time, straight from where the text
// is kept: the line breaks are put back between its lines, and a unit that is
// half of no pair becomes U+FFFD, as the platform's conversion makes it. A
// character is never cut between two buffers. What is encoded is the text up
// to the end given at the start; what is appended after it is not, and may
// be appended between two buffers, so each buffer looks its place up anew.
class LogEncoder {
public:
    // The longest character: every buffer must have room for one.
    static constexpr size_t kLongestCharacter = 4;

    LogEncoder(const LogText& text, size_t end)
        : m_text(text)
        , m_end(end)
    {
    }

    // Fills out with as much as fits in room bytes (at least
    // kLongestCharacter, unless the text ends first); returns how many.
    size_t Fill(char* out, size_t room);

    bool Done() const { return m_position >= m_end; }
    // The characters encoded so far, of End().
    size_t Position() const { return m_position; }
    size_t End() const { return m_end; }

private:
    const LogText& m_text;
    size_t m_end;
    size_t m_position = 0;
};
