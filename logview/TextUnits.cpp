#include "TextUnits.h"

#include <algorithm>
#include <climits>

namespace {

int Signed(long long count, bool back)
{
    const long long bounded = std::min<long long>(count, INT_MAX);
    return static_cast<int>(back ? -bounded : bounded);
}

} // namespace

TextUnits::TextUnits(const LogText& text, size_t pageLines)
    : m_text(text)
    , m_navigator(text)
    , m_pageLines(std::max<size_t>(pageLines, 1))
{
}

TextUnits::Span TextUnits::Enclosing(size_t position, Unit unit) const
{
    const size_t length = m_text.Length();
    position = std::min(position, length);
    if (Stepped(unit)) {
        if (position == length)
            return {length, length};
        const size_t start = SteppedStart(unit, position);
        return {start, std::max(Next(unit, start), Next(unit, position))};
    }
    const size_t index = std::min(FloorIndex(unit, position), UnitCount(unit) - 1);
    return {StartOf(unit, index), Boundary(unit, index + 1)};
}

TextUnits::Moved TextUnits::MovePoint(size_t position, Unit unit, int count) const
{
    const size_t length = m_text.Length();
    position = std::min(position, length);
    const bool back = count < 0;
    const long long wanted = back ? -static_cast<long long>(count) : count;
    if (wanted == 0)
        return {position, 0};
    if (Stepped(unit))
        return Step(unit, position, wanted, back ? 0 : length);

    const size_t floor = FloorIndex(unit, position);
    if (!back) {
        const size_t target = static_cast<size_t>(
            std::min<long long>(static_cast<long long>(floor) + wanted, static_cast<long long>(LastBoundary(unit))));
        return {Boundary(unit, target), Signed(static_cast<long long>(target - floor), false)};
    }
    // Inside a unit, its start is the first boundary back.
    const size_t from = Boundary(unit, floor) == position ? floor : floor + 1;
    const size_t target = static_cast<long long>(from) > wanted ? from - static_cast<size_t>(wanted) : 0;
    return {Boundary(unit, target), Signed(static_cast<long long>(from - target), true)};
}

TextUnits::Moved TextUnits::MoveUnit(size_t position, Unit unit, int count) const
{
    const size_t length = m_text.Length();
    position = std::min(position, length);
    const bool back = count < 0;
    const long long wanted = back ? -static_cast<long long>(count) : count;
    if (Stepped(unit)) {
        const size_t start = position < length ? SteppedStart(unit, position) : LastSteppedStart(unit);
        if (wanted == 0)
            return {start, 0};
        return Step(unit, start, wanted, back ? 0 : LastSteppedStart(unit));
    }
    const size_t last = UnitCount(unit) - 1;
    const size_t index = std::min(FloorIndex(unit, position), last);
    size_t target = index;
    if (back)
        target = static_cast<long long>(index) > wanted ? index - static_cast<size_t>(wanted) : 0;
    else
        target = static_cast<size_t>(
            std::min<long long>(static_cast<long long>(index) + wanted, static_cast<long long>(last)));
    return {StartOf(unit, target),
        Signed(back ? static_cast<long long>(index - target) : static_cast<long long>(target - index), back)};
}

size_t TextUnits::UnitEnd(size_t start, Unit unit) const
{
    const size_t length = m_text.Length();
    start = std::min(start, length);
    if (Stepped(unit))
        return start < length ? Next(unit, start) : length;
    return Boundary(unit, std::min(FloorIndex(unit, start), UnitCount(unit) - 1) + 1);
}

// ---------------------------------------------------------------------------
// Characters and words

size_t TextUnits::Next(Unit unit, size_t position) const
{
    return unit == Unit::Character ? m_navigator.CharRight(position) : m_navigator.WordRight(position);
}

size_t TextUnits::Previous(Unit unit, size_t position) const
{
    return unit == Unit::Character ? m_navigator.CharLeft(position) : m_navigator.WordLeft(position);
}

size_t TextUnits::SteppedStart(Unit unit, size_t position) const
{
    // Back from the next boundary is the start of the unit position is in,
    // inside a line break or a surrogate pair too.
    return std::min(position, Previous(unit, Next(unit, position)));
}

size_t TextUnits::LastSteppedStart(Unit unit) const
{
    return Previous(unit, m_text.Length());
}

TextUnits::Moved TextUnits::Step(Unit unit, size_t position, long long count, size_t limit) const
{
    const bool back = limit < position;
    long long moved = 0;
    while (moved < count && position != limit) {
        const size_t distance = back ? position - limit : limit - position;
        if (static_cast<unsigned long long>(count - moved) >= distance) {
            // No unit is shorter than a position: the limit is reached.
            const int between = back ? UnitsBetween(unit, limit, position) : UnitsBetween(unit, position, limit);
            return {limit, Signed(moved + between, back)};
        }
        const size_t next = back ? Previous(unit, position) : Next(unit, position);
        if (back ? next >= position || next < limit : next <= position || next > limit)
            break;
        position = next;
        ++moved;
    }
    return {position, Signed(moved, back)};
}

int TextUnits::UnitsBetween(Unit unit, size_t from, size_t to) const
{
    if (to - from > kCountedStretch) {
        const size_t breaks = m_text.LineFromChar(to) - m_text.LineFromChar(from);
        return static_cast<int>(std::min<size_t>(to - from - breaks, INT_MAX));
    }
    int count = 0;
    for (size_t position = from; position < to; position = Next(unit, position))
        ++count;
    return count;
}

// ---------------------------------------------------------------------------
// Lines, pages and the document

size_t TextUnits::UnitCount(Unit unit) const
{
    switch (unit) {
    case Unit::Line:
        return m_text.LineCount();
    case Unit::Page:
        return (m_text.LineCount() + m_pageLines - 1) / m_pageLines;
    default:
        return 1;
    }
}

size_t TextUnits::StartOf(Unit unit, size_t index) const
{
    switch (unit) {
    case Unit::Line:
        return m_text.LineStart(index);
    case Unit::Page:
        return m_text.LineStart(index * m_pageLines);
    default:
        return 0;
    }
}

size_t TextUnits::Boundary(Unit unit, size_t index) const
{
    return index < UnitCount(unit) ? StartOf(unit, index) : m_text.Length();
}

size_t TextUnits::LastBoundary(Unit unit) const
{
    const size_t units = UnitCount(unit);
    return StartOf(unit, units - 1) == m_text.Length() ? units - 1 : units;
}

size_t TextUnits::FloorIndex(Unit unit, size_t position) const
{
    const size_t last = LastBoundary(unit);
    if (position >= Boundary(unit, last))
        return last;
    switch (unit) {
    case Unit::Line:
        return m_text.LineFromChar(position);
    case Unit::Page:
        return m_text.LineFromChar(position) / m_pageLines;
    default:
        return 0;
    }
}
