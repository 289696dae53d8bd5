#pragma once

#include "LogText.h"
#include "Selection.h"

#include <windows.h>

#include <cstddef>
#include <optional>

// Where the caret goes from a position, by character or by word, as the edit
// control moves it: a line break is one step, a surrogate pair is one
// character, and a word is a run of letters (any character beyond ASCII
// counts as one), of punctuation, or of spaces.
class TextNavigator {
public:
    explicit TextNavigator(const LogText& text)
        : m_text(text)
    {
    }

    size_t CharLeft(size_t position) const;
    size_t CharRight(size_t position) const;
    // To the start of this word or, from a word's start, of the one before.
    size_t WordLeft(size_t position) const;
    // To the start of the next word, past the spaces after this one.
    size_t WordRight(size_t position) const;
    // The run of characters of one kind at position, as a double click
    // selects it: anchor at its start, caret at its end.
    Selection WordAt(size_t position) const;
    size_t LineHome(size_t position) const;
    size_t LineEnd(size_t position) const;
    // Where Left, Right, Home or End, with Ctrl held or not, take the caret;
    // nothing for other keys.
    std::optional<size_t> KeyTarget(WPARAM key, bool control, size_t caret) const;

private:
    const LogText& m_text;
};
