#include "LogText.h"

#include <algorithm>
#include <new>

namespace {

constexpr wchar_t kBreak[] = L"\r\n";

// The first piece starts small and doubles, so a short log stays small.
constexpr size_t kFirstChars = 256;
constexpr size_t kFirstLines = 16;

// Free slots in the pieces' index before a piece is added: one for it, one
// for the reserve's piece and one for the reserve after that, so that
// neither saying the log is full nor making the reserve again for the next
// run needs a larger index.
constexpr size_t kSlotsToAddAPiece = 3;
// Making the reserve again needs only the slot it will take.
constexpr size_t kSlotsForTheReserve = 1;

} // namespace

LogText::LogText()
    : LogText(Limits())
{
}

LogText::LogText(const Limits& limits)
    : m_limits(limits)
    , m_budget(std::make_unique<MemoryBudget>())
    , m_pieces(BudgetAllocator<Piece>(*m_budget))
    , m_reserve(*m_budget)
{
    m_budget->limit = limits.budgetBytes;
    m_limits.pieceChars = std::max<size_t>(m_limits.pieceChars, 1);
    m_limits.pieceLines = std::max<size_t>(m_limits.pieceLines, 2);
    EnsureSpareSlot(kSlotsToAddAPiece);
    m_pieces.emplace_back(*m_budget);
    m_pieces.back().starts.reserve(1);
    m_pieces.back().starts.push_back(0);
    PrepareReserve();
}

// ---------------------------------------------------------------------------
// Queries

size_t LogText::Length() const
{
    return Last().firstPosition + Last().Span() - 2;
}

size_t LogText::LineCount() const
{
    return Last().firstLine + Last().starts.size();
}

LogText::Place LogText::PlaceOfLine(size_t index) const
{
    // Most questions are about the last lines.
    if (index >= Last().firstLine)
        return {m_pieces.size() - 1, index - Last().firstLine};
    const auto after = std::upper_bound(m_pieces.begin(), m_pieces.end(), index,
        [](size_t line, const Piece& piece) { return line < piece.firstLine; });
    const size_t piece = static_cast<size_t>(after - m_pieces.begin()) - 1;
    return {piece, index - m_pieces[piece].firstLine};
}

size_t LogText::PieceOfPosition(size_t position) const
{
    if (position >= Last().firstPosition)
        return m_pieces.size() - 1;
    const auto after = std::upper_bound(m_pieces.begin(), m_pieces.end(), position,
        [](size_t at, const Piece& piece) { return at < piece.firstPosition; });
    return static_cast<size_t>(after - m_pieces.begin()) - 1;
}

LogText::Place LogText::PlaceOfPosition(size_t position) const
{
    const size_t index = PieceOfPosition(position);
    return {index, BlockAt(index).LineOf(position)};
}

size_t LogText::Block::LineOf(size_t position) const
{
    const size_t local = position - firstPosition;
    // Line starts as positions (offset plus two per earlier break) rise
    // strictly, so the last one not after the position is the line.
    size_t low = 0;
    size_t high = lineCount;
    while (high - low > 1) {
        const size_t middle = low + (high - low) / 2;
        if (lineStarts[middle] + 2 * middle <= local)
            low = middle;
        else
            high = middle;
    }
    return low;
}

LogText::Block LogText::BlockAt(size_t index) const
{
    const Piece& piece = m_pieces[index];
    return {std::wstring_view(piece.chars.data(), piece.chars.size()), piece.starts.data(), piece.starts.size(),
        piece.firstLine, piece.firstPosition};
}

std::wstring_view LogText::Line(size_t index) const
{
    if (index >= LineCount())
        return {};
    const Place place = PlaceOfLine(index);
    const Piece& piece = m_pieces[place.piece];
    const size_t start = piece.starts[place.line];
    return std::wstring_view(piece.chars.data() + start, piece.LineEnd(place.line) - start);
}

size_t LogText::LineLength(size_t index) const
{
    if (index >= LineCount())
        return 0;
    const Place place = PlaceOfLine(index);
    const Piece& piece = m_pieces[place.piece];
    return piece.LineEnd(place.line) - piece.starts[place.line];
}

size_t LogText::LineStart(size_t index) const
{
    const Place place = PlaceOfLine(std::min(index, LineCount() - 1));
    const Piece& piece = m_pieces[place.piece];
    return piece.firstPosition + piece.LocalStart(place.line);
}

size_t LogText::LineFromChar(size_t position) const
{
    const Place place = PlaceOfPosition(position);
    return m_pieces[place.piece].firstLine + place.line;
}

size_t LogText::Copy(size_t from, size_t to, wchar_t* out) const
{
    to = std::min(to, Length());
    if (from >= to)
        return 0;
    wchar_t* const begin = out;
    Place place = PlaceOfPosition(from);
    size_t position = from;
    while (position < to) {
        const Piece& piece = m_pieces[place.piece];
        const size_t offset = piece.starts[place.line];
        const size_t start = piece.firstPosition + piece.LocalStart(place.line);
        const size_t size = piece.LineEnd(place.line) - offset;
        if (position < start + size) {
            const size_t end = std::min(to, start + size);
            out = std::copy(
                piece.chars.data() + offset + (position - start), piece.chars.data() + offset + (end - start), out);
            position = end;
        }
        // What is left of this line is (part of) its break.
        const size_t breakEnd = std::min(to, start + size + 2);
        if (position < breakEnd) {
            out = std::copy(kBreak + (position - start - size), kBreak + (breakEnd - start - size), out);
            position = breakEnd;
        }
        if (++place.line == piece.starts.size())
            place = {place.piece + 1, 0};
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

// ---------------------------------------------------------------------------
// Changes

bool LogText::Append(std::wstring_view text)
{
    if (text.empty())
        return true;
    if (m_full)
        return false;
    const size_t before = Length();
    const size_t pieces = m_pieces.size();
    try {
        AppendOrThrow(text);
    } catch (const std::bad_alloc&) {
        Truncate(before);
        Refuse();
        return false;
    }
    Trim(pieces - 1);
    return true;
}

void LogText::AppendOrThrow(std::wstring_view text)
{
    if (text.empty())
        return;
    size_t segment = 0;
    // A "\r" that ended the previous append and the "\n" that starts this one
    // are one line break. The break is made first, as it may allocate; the
    // "\r" is dropped after.
    const Piece& last = Last();
    if (text.front() == L'\n' && last.chars.size() > last.starts.back() && last.chars.back() == L'\r') {
        const size_t pieces = m_pieces.size();
        BreakLine();
        if (m_pieces.size() == pieces) {
            Last().chars.pop_back();
            --Last().starts.back();
        } else {
            m_pieces[pieces - 1].chars.pop_back();
            --Last().firstPosition;
        }
        segment = 1;
    }
    size_t search = segment;
    for (;;) {
        const size_t newline = text.find(L'\n', search);
        if (newline == std::wstring_view::npos)
            break;
        if (newline > segment && text[newline - 1] == L'\r') {
            AddChars(text.data() + segment, newline - 1 - segment);
            BreakLine();
            segment = newline + 1;
        }
        search = newline + 1;
    }
    AddChars(text.data() + segment, text.size() - segment);
}

void LogText::AddChars(const wchar_t* chars, size_t count)
{
    if (count == 0)
        return;
    if (Last().chars.size() + count > Last().chars.capacity())
        MakeRoom(count);
    Last().chars.insert(Last().chars.end(), chars, chars + count);
}

void LogText::MakeRoom(size_t count)
{
    Piece& last = Last();
    const size_t capacity = last.chars.capacity();
    const size_t needed = last.chars.size() + count;
    if (needed <= m_limits.pieceChars) {
        // Past the first piece the log is long already: a piece gets its
        // whole size at once rather than being grown by copying.
        last.chars.reserve(m_pieces.size() > 1
                ? m_limits.pieceChars
                : std::min(m_limits.pieceChars, std::max({needed, 2 * capacity, kFirstChars})));
        return;
    }
    if (last.starts.size() == 1) {
        // A line longer than a piece, alone in its own: it grows in place.
        last.chars.reserve(std::max(needed, capacity + capacity / 2));
        return;
    }
    // The line being written moves to a piece of its own: what it has so far
    // is copied, and only then taken from this piece, so that a failure on
    // the way leaves the text as it was.
    const size_t lineStart = last.starts.back();
    const size_t open = last.chars.size() - lineStart;
    Piece next = NextPiece();
    next.firstLine = last.firstLine + last.starts.size() - 1;
    next.firstPosition = last.firstPosition + last.LocalStart(last.starts.size() - 1);
    next.chars.reserve(std::max(m_limits.pieceChars, open + count));
    next.chars.insert(next.chars.end(), last.chars.begin() + static_cast<std::ptrdiff_t>(lineStart), last.chars.end());
    EnsureSpareSlot(kSlotsToAddAPiece);
    Piece& from = Last();
    from.chars.resize(lineStart);
    from.starts.pop_back();
    PushPiece(std::move(next));
}

void LogText::BreakLine()
{
    Piece& last = Last();
    if (last.starts.size() < m_limits.pieceLines && last.chars.size() < m_limits.pieceChars) {
        if (last.starts.size() == last.starts.capacity())
            last.starts.reserve(std::min(m_limits.pieceLines, std::max(2 * last.starts.capacity(), kFirstLines)));
        last.starts.push_back(static_cast<std::uint32_t>(last.chars.size()));
        return;
    }
    Piece next = NextPiece();
    next.firstLine = last.firstLine + last.starts.size();
    next.firstPosition = last.firstPosition + last.Span();
    EnsureSpareSlot(kSlotsToAddAPiece);
    PushPiece(std::move(next));
}

LogText::Piece LogText::NextPiece()
{
    Piece piece(*m_budget);
    piece.starts.reserve(kFirstLines);
    piece.starts.push_back(0);
    return piece;
}

void LogText::PushPiece(Piece&& piece)
{
    // Room was made beforehand: this neither allocates nor moves the pieces.
    m_pieces.push_back(std::move(piece));
}

void LogText::EnsureSpareSlot(size_t spare)
{
    if (m_pieces.capacity() < m_pieces.size() + spare)
        m_pieces.reserve(std::max(m_pieces.size() + spare, 2 * m_pieces.capacity()));
}

void LogText::Trim(size_t from)
{
    // Pieces that will take no more: give back the room they were given in
    // advance, where it is worth a copy. Done only after a change has gone
    // through, since undoing a change may need that room.
    for (size_t index = from; index + 1 < m_pieces.size(); ++index) {
        Piece& piece = m_pieces[index];
        try {
            if (piece.chars.capacity() - piece.chars.size() > piece.chars.capacity() / 8)
                piece.chars.shrink_to_fit();
            if (piece.starts.capacity() - piece.starts.size() > piece.starts.capacity() / 8)
                piece.starts.shrink_to_fit();
        } catch (const std::bad_alloc&) {
            // The room stays taken; nothing else is lost.
        }
    }
}

void LogText::Truncate(size_t position)
{
    const Place place = PlaceOfPosition(position);
    const Piece& kept = m_pieces[place.piece];
    const size_t lineStart = kept.starts[place.line];
    const size_t offset = position - kept.firstPosition - kept.LocalStart(place.line);
    const size_t size = kept.LineEnd(place.line) - lineStart;
    // Cut between the "\r" and the "\n" of a break, the "\r" stays as the
    // line's last character, as it does in the raw text. Undoing a change
    // that made the break, there is room for it where it was; otherwise the
    // room is made before anything is cut.
    const bool keepsReturn = offset > size;
    if (keepsReturn && kept.chars.capacity() < lineStart + size + 1)
        m_pieces[place.piece].chars.reserve(lineStart + size + 1);

    m_pieces.erase(m_pieces.begin() + static_cast<std::ptrdiff_t>(place.piece) + 1, m_pieces.end());
    Piece& piece = Last();
    piece.starts.resize(place.line + 1);
    piece.chars.resize(lineStart + std::min(offset, size));
    if (keepsReturn)
        piece.chars.push_back(L'\r');
}

bool LogText::Replace(size_t from, size_t to, std::wstring_view text)
{
    const size_t total = Length();
    to = std::min(to, total);
    from = std::min(from, to);
    if (from == total)
        return Append(text);
    if (m_full)
        return false;
    ++m_rewrites;
    std::wstring removed;
    try {
        removed = Text(from, total);
        Truncate(from);
    } catch (const std::bad_alloc&) {
        Refuse();
        return false;
    }
    try {
        AppendOrThrow(text);
        AppendOrThrow(std::wstring_view(removed).substr(to - from));
    } catch (const std::bad_alloc&) {
        // Put back what was taken out: the same text from the same place,
        // into room that cutting it has only just given back. Should even
        // that fail, the text ends at from.
        Truncate(from);
        try {
            AppendOrThrow(removed);
        } catch (const std::bad_alloc&) {
            Truncate(from);
        }
        Refuse();
        return false;
    }
    Trim(0);
    return true;
}

void LogText::Clear()
{
    m_pieces.erase(m_pieces.begin() + 1, m_pieces.end());
    Piece& first = m_pieces.front();
    Chars(first.chars.get_allocator()).swap(first.chars);
    first.starts.resize(1);
}

bool LogText::Assign(std::wstring_view text)
{
    ++m_rewrites;
    Clear();
    return TakeTextAgain() && Append(text);
}

bool LogText::TakeTextAgain()
{
    if (!m_full)
        return true;
    try {
        PrepareReserve();
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_full = false;
    return true;
}

// ---------------------------------------------------------------------------
// Running out

void LogText::PrepareReserve()
{
    EnsureSpareSlot(kSlotsForTheReserve);
    const std::wstring_view line(kFullLine);
    Piece reserve(*m_budget);
    reserve.chars.reserve(line.size());
    reserve.chars.assign(line.begin(), line.end());
    reserve.starts.reserve(2);
    reserve.starts.assign({0, static_cast<std::uint32_t>(line.size())});
    m_reserve = std::move(reserve);
}

void LogText::Refuse()
{
    if (m_full)
        return;
    m_full = true;
    Piece& last = Last();
    if (last.chars.size() == last.starts.back()) {
        // The log ends with a line break (or is empty): the line takes the
        // place of the empty line after it.
        if (last.starts.size() > 1) {
            last.starts.pop_back();
        } else if (m_pieces.size() > 1) {
            m_pieces.pop_back();
        } else {
            m_pieces.front() = std::move(m_reserve);
            return;
        }
    }
    m_reserve.firstLine = LineCount();
    m_reserve.firstPosition = Length() + 2;
    m_pieces.push_back(std::move(m_reserve));
}
