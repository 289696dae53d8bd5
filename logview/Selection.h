#pragma once

#include <algorithm>
#include <cstddef>

// The selection as the edit control keeps it: the anchor stays where it was
// started, the caret is the end that moves; both are character positions.
struct Selection {
    size_t anchor = 0;
    size_t caret = 0;

    size_t Start() const { return std::min(anchor, caret); }
    size_t End() const { return std::max(anchor, caret); }
    bool Empty() const { return anchor == caret; }

    bool operator==(const Selection& other) const { return anchor == other.anchor && caret == other.caret; }
    bool operator!=(const Selection& other) const { return !(*this == other); }
};
