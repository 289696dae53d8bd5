#pragma once

#include "LogText.h"
#include "TextNavigator.h"

#include <cstddef>

// The units a screen reader reads the log by, and where moving by them
// lands, in character positions:
// - a character as the caret steps over it: "\r\n" and a surrogate pair are
//   one each;
// - a word as the caret's Ctrl+Left and Ctrl+Right find them (the line
//   break is one, too);
// - a line with its line break: the log does not wrap, so a paragraph and a
//   run of one format are lines as well;
// - a page: a screenful of lines, counted from the first line;
// - the document.
// A unit's boundaries are where units start, and the end of the text.
//
// Each answer costs a lookup in the text's size (its binary searches) per
// unit moved over for characters and words, and one lookup for lines, pages
// and the document, however far; a count that reaches past the text's end
// in any case lands there at once.
class TextUnits {
public:
    enum class Unit { Character, Word, Line, Page, Document };

    struct Span {
        size_t start;
        size_t end;
    };
    struct Moved {
        size_t position;
        // Units moved over, negative going back. Moving to an end of the
        // text from further than kCountedStretch positions away by
        // characters or words, this is the positions in between with each
        // line break counted once: the characters there unless surrogate
        // pairs are among them.
        int count;
    };
    static constexpr size_t kCountedStretch = 64 * 1024;

    // pageLines: the lines a screenful shows, at least one.
    TextUnits(const LogText& text, size_t pageLines);

    // The unit that holds position. At the text's end, where no character or
    // word starts, an empty span there; a line, page or document there is
    // the last one.
    Span Enclosing(size_t position, Unit unit) const;
    // An insertion point moved over count boundaries.
    Moved MovePoint(size_t position, Unit unit, int count) const;
    // From the start of the unit that holds position, the start of the unit
    // count units on, never beyond the last unit: how a range is moved.
    Moved MoveUnit(size_t position, Unit unit, int count) const;
    // The end of the unit that starts at start.
    size_t UnitEnd(size_t start, Unit unit) const;

private:
    // Characters and words are found by stepping, the other units by their
    // index: unit i starts at StartOf(unit, i) for i below UnitCount, and
    // boundary UnitCount is the text's end.
    static bool Stepped(Unit unit) { return unit == Unit::Character || unit == Unit::Word; }

    size_t Next(Unit unit, size_t position) const;
    size_t Previous(Unit unit, size_t position) const;
    size_t SteppedStart(Unit unit, size_t position) const;
    size_t LastSteppedStart(Unit unit) const;
    // Steps from position towards limit (either way) count times at most;
    // count reaching past it lands there at once.
    Moved Step(Unit unit, size_t position, long long count, size_t limit) const;
    int UnitsBetween(Unit unit, size_t from, size_t to) const;

    size_t UnitCount(Unit unit) const;
    size_t StartOf(Unit unit, size_t index) const;
    // The boundary at index: a unit's start, or the text's end past the last.
    size_t Boundary(Unit unit, size_t index) const;
    // The index of the last boundary: the last unit's, if it starts at the
    // text's end (an empty last line), else the text's end's.
    size_t LastBoundary(Unit unit) const;
    // The index of the last boundary at or before position.
    size_t FloorIndex(Unit unit, size_t position) const;

    const LogText& m_text;
    TextNavigator m_navigator;
    size_t m_pageLines;
};
