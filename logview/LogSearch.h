#pragma once

#include "LogText.h"
#include "Selection.h"

#include <cstddef>
#include <optional>
#include <string>

// What the operator looks for: the text, whether case matters, and which way.
struct SearchQuery {
    std::wstring text;
    bool matchCase = false;
    bool up = false;
};

// Finds text in the log wherever it lies, line breaks included, reading the
// text where it is kept rather than copying it. Without match case, letters
// match as the platform folds them (CaseFold).
class LogSearch {
public:
    explicit LogSearch(const LogText& text)
        : m_text(text)
    {
    }

    // Going down, the first match that starts at from or after it; going up,
    // the last that ends at from or before it. Selected from its start to its
    // end; nothing if there is none, or nothing to look for.
    std::optional<Selection> Find(const SearchQuery& query, size_t from) const;
    // The same within a stretch, reading no further: going down, a match
    // must end at bound or before it; going up, start at bound or after it.
    std::optional<Selection> Find(const SearchQuery& query, size_t from, size_t bound) const;

private:
    class Needle;

    // For text without "\r" or "\n", which lies within one line: each block
    // is searched whole, and a match that runs into the next line is not one.
    std::optional<size_t> FindWithinLinesDown(const Needle& needle, size_t from, size_t bound) const;
    std::optional<size_t> FindWithinLinesUp(const Needle& needle, size_t from, size_t bound) const;
    // For text with them: character by character, breaks and all.
    std::optional<size_t> FindAcrossLinesDown(const Needle& needle, size_t from, size_t bound) const;
    std::optional<size_t> FindAcrossLinesUp(const Needle& needle, size_t from, size_t bound) const;

    const LogText& m_text;
};
