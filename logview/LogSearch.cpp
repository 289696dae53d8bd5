#include "LogSearch.h"

#include "CaseFold.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr wchar_t kBreak[] = L"\r\n";
constexpr size_t kNone = std::wstring_view::npos;

// For each unit of the text from position on, down to its end, with the line
// breaks between lines: visit(unit, position), until it answers true.
template <class Visit> void WalkDown(const LogText& text, size_t from, Visit visit)
{
    for (size_t b = text.BlockOfPosition(from); b < text.BlockCount(); ++b) {
        const LogText::Block block = text.BlockAt(b);
        size_t line = 0;
        size_t skip = 0; // units of the first line (and its break) before from
        if (from > block.firstPosition) {
            line = block.LineOf(from);
            skip = from - block.Position(block.lineStarts[line], line);
        }
        for (; line < block.lineCount; ++line, skip = 0) {
            const size_t start = block.lineStarts[line];
            const size_t length = block.LineEnd(line) - start;
            const size_t position = block.Position(start, line);
            const bool hasBreak = b + 1 < text.BlockCount() || line + 1 < block.lineCount;
            for (size_t i = skip; i < length + (hasBreak ? 2 : 0); ++i) {
                if (visit(i < length ? block.chars[start + i] : kBreak[i - length], position + i))
                    return;
            }
        }
    }
}

// The same going up from the unit before position from to the text's start.
template <class Visit> void WalkUp(const LogText& text, size_t from, Visit visit)
{
    const size_t first = text.BlockOfPosition(from);
    for (size_t b = first + 1; b-- > 0;) {
        const LogText::Block block = text.BlockAt(b);
        size_t line = block.lineCount - 1;
        const bool hasBreak = b + 1 < text.BlockCount();
        size_t upto = block.LineEnd(line) - block.lineStarts[line] + (hasBreak ? 2 : 0);
        if (b == first) {
            line = block.LineOf(from);
            upto = from - block.Position(block.lineStarts[line], line);
        }
        for (size_t next = line + 1; next-- > 0;) {
            const size_t start = block.lineStarts[next];
            const size_t length = block.LineEnd(next) - start;
            const size_t position = block.Position(start, next);
            if (next != line)
                upto = length + 2;
            for (size_t i = upto; i-- > 0;) {
                if (visit(i < length ? block.chars[start + i] : kBreak[i - length], position + i))
                    return;
            }
        }
    }
}

} // namespace

// The text looked for, folded unless case matters, with the quickest way to
// find its first unit in the text: a word of units at a time where only one
// unit will do, or where the two cases differ by one bit (Latin, full-width
// Latin, Greek, Cyrillic), a look-up otherwise.
class LogSearch::Needle {
public:
    explicit Needle(const SearchQuery& query)
        : m_fold(query.matchCase ? nullptr : CaseFold::Table())
        , m_units(query.text)
    {
        for (wchar_t& unit : m_units)
            unit = Fold(unit);
        if (m_units.empty())
            return;
        m_first = m_units[0];
        if (!m_fold)
            return;
        std::vector<wchar_t> firsts;
        for (size_t unit = 0; unit < 0x10000; ++unit) {
            if (m_fold[unit] == m_units[0])
                firsts.push_back(static_cast<wchar_t>(unit));
        }
        if (firsts.size() == 1) {
            m_first = firsts[0];
            m_scan = Scan::Unit;
        } else if (firsts.size() == 2 && (firsts[0] ^ firsts[1]) == kCaseBit) {
            m_first = firsts[0] | kCaseBit;
            m_scan = Scan::EitherCase;
        } else {
            m_scan = Scan::LookUp;
        }
    }

    size_t Size() const { return m_units.size(); }
    const std::wstring& Units() const { return m_units; }
    bool WithinOneLine() const { return m_units.find_first_of(L"\r\n") == std::wstring::npos; }
    wchar_t Fold(wchar_t unit) const { return m_fold ? m_fold[unit] : unit; }

    // The first start from begin on at which it matches chars whole.
    size_t Find(std::wstring_view chars, size_t begin) const
    {
        if (chars.size() < Size() || begin > chars.size() - Size())
            return kNone;
        const wchar_t* const text = chars.data();
        const size_t end = chars.size() - Size() + 1;
        switch (m_scan) {
        case Scan::Unit:
            return FindFirst(text, begin, end, 0);
        case Scan::EitherCase:
            return FindFirst(text, begin, end, kCaseBit);
        case Scan::LookUp:
            for (size_t at = begin; at < end; ++at) {
                if (m_fold[text[at]] == m_units[0] && RestMatches(text + at))
                    return at;
            }
            return kNone;
        }
        return kNone;
    }

private:
    enum class Scan { Unit, EitherCase, LookUp };
    static constexpr wchar_t kCaseBit = 0x20;

    // The first match from begin on whose first unit, with the bits of
    // caseBits set, is m_first.
    size_t FindFirst(const wchar_t* text, size_t begin, size_t end, wchar_t caseBits) const
    {
        for (size_t at = ScanFirst(text, begin, end, caseBits); at < end; at = ScanFirst(text, at + 1, end, caseBits)) {
            if (RestMatches(text + at))
                return at;
        }
        return kNone;
    }

    // The first unit from at on that is m_first once caseBits are set; end
    // if none is. A machine word of units is looked at a time: a word holds
    // none of them unless one of its units, once xored with m_first, is zero,
    // which one subtraction, one and and one mask tell for all of them at
    // once. On x86 as on x64 that is quicker than a unit at a time.
    size_t ScanFirst(const wchar_t* text, size_t at, size_t end, wchar_t caseBits) const
    {
        using Word = size_t;
        static_assert(sizeof(wchar_t) == 2, "UTF-16 units");
        constexpr size_t kUnits = sizeof(Word) / sizeof(wchar_t);
        constexpr Word kOnes = ~Word(0) / 0xFFFF; // 0x0001 in every unit
        constexpr Word kHighs = kOnes << 15; // 0x8000 in every unit
        const Word bits = kOnes * caseBits;
        const Word pattern = kOnes * m_first;
        while (at < end) {
            if (end - at >= kUnits) {
                Word word;
                std::memcpy(&word, text + at, sizeof word);
                const Word differs = (word | bits) ^ pattern;
                if (((differs - kOnes) & ~differs & kHighs) == 0) {
                    at += kUnits;
                    continue;
                }
            }
            for (const size_t stop = std::min(end, at + kUnits); at < stop; ++at) {
                if ((text[at] | caseBits) == m_first)
                    return at;
            }
        }
        return end;
    }

    bool RestMatches(const wchar_t* at) const
    {
        for (size_t i = 1; i < m_units.size(); ++i) {
            if (Fold(at[i]) != m_units[i])
                return false;
        }
        return true;
    }

    const wchar_t* m_fold;
    std::wstring m_units;
    wchar_t m_first = 0;
    Scan m_scan = Scan::Unit;
};

namespace {

// Finds units in a stream of them one at a time (Knuth, Morris and Pratt), so
// that no stretch of the text need be copied to search across line breaks.
class StreamMatcher {
public:
    explicit StreamMatcher(std::wstring units)
        : m_units(std::move(units))
        , m_fallback(m_units.size(), 0)
    {
        for (size_t i = 1, k = 0; i < m_units.size(); ++i) {
            while (k > 0 && m_units[i] != m_units[k])
                k = m_fallback[k - 1];
            if (m_units[i] == m_units[k])
                ++k;
            m_fallback[i] = k;
        }
    }

    // True when the unit completes a match.
    bool Take(wchar_t unit)
    {
        while (m_matched > 0 && m_units[m_matched] != unit)
            m_matched = m_fallback[m_matched - 1];
        if (m_units[m_matched] == unit)
            ++m_matched;
        if (m_matched < m_units.size())
            return false;
        m_matched = m_fallback[m_matched - 1];
        return true;
    }

private:
    std::wstring m_units;
    std::vector<size_t> m_fallback;
    size_t m_matched = 0;
};

} // namespace

std::optional<Selection> LogSearch::Find(const SearchQuery& query, size_t from) const
{
    return Find(query, from, query.up ? 0 : m_text.Length());
}

std::optional<Selection> LogSearch::Find(const SearchQuery& query, size_t from, size_t bound) const
{
    if (query.text.empty())
        return std::nullopt;
    from = std::min(from, m_text.Length());
    bound = query.up ? std::min(bound, from) : std::clamp(bound, from, m_text.Length());
    const Needle needle(query);
    std::optional<size_t> start;
    if (needle.WithinOneLine())
        start = query.up ? FindWithinLinesUp(needle, from, bound) : FindWithinLinesDown(needle, from, bound);
    else
        start = query.up ? FindAcrossLinesUp(needle, from, bound) : FindAcrossLinesDown(needle, from, bound);
    if (!start)
        return std::nullopt;
    return Selection{*start, *start + needle.Size()};
}

std::optional<size_t> LogSearch::FindWithinLinesDown(const Needle& needle, size_t from, size_t bound) const
{
    for (size_t b = m_text.BlockOfPosition(from); b < m_text.BlockCount(); ++b) {
        const LogText::Block block = m_text.BlockAt(b);
        if (block.firstPosition >= bound)
            break;
        // What lies beyond the bound is not read.
        const size_t boundLine = block.LineOf(bound);
        const std::wstring_view chars
            = block.chars.substr(0, std::min(bound - block.firstPosition - 2 * boundLine, block.LineEnd(boundLine)));
        size_t line = 0;
        size_t offset = 0;
        if (from > block.firstPosition) {
            line = block.LineOf(from);
            offset = from - block.firstPosition - 2 * line;
            if (offset > block.LineEnd(line)) { // in the break after it
                if (++line == block.lineCount)
                    continue;
                offset = block.lineStarts[line];
            }
        }
        for (size_t at = needle.Find(chars, offset); at != kNone; at = needle.Find(chars, offset)) {
            while (line + 1 < block.lineCount && block.lineStarts[line + 1] <= at)
                ++line;
            if (at + needle.Size() <= block.LineEnd(line))
                return block.Position(at, line);
            // It runs on into the next line, as would any later start in this one.
            offset = block.lineStarts[line + 1];
        }
    }
    return std::nullopt;
}

std::optional<size_t> LogSearch::FindWithinLinesUp(const Needle& needle, size_t from, size_t bound) const
{
    // Each block is scanned forward, as quickly as down, keeping its last
    // match: a block is short next to the text.
    const size_t first = m_text.BlockOfPosition(from);
    const size_t boundBlock = m_text.BlockOfPosition(bound);
    for (size_t b = first + 1; b-- > boundBlock;) {
        const LogText::Block block = m_text.BlockAt(b);
        std::wstring_view chars = block.chars;
        if (b == first) {
            const size_t line = block.LineOf(from);
            chars = chars.substr(0, std::min(from - block.firstPosition - 2 * line, block.LineEnd(line)));
        }
        std::optional<size_t> last;
        size_t line = 0;
        size_t offset = 0;
        for (size_t at = needle.Find(chars, offset); at != kNone; at = needle.Find(chars, offset)) {
            while (line + 1 < block.lineCount && block.lineStarts[line + 1] <= at)
                ++line;
            if (at + needle.Size() <= block.LineEnd(line)) {
                last = block.Position(at, line);
                offset = at + 1;
            } else {
                offset = block.lineStarts[line + 1];
            }
        }
        // Matches before it in this block and the earlier ones start earlier still.
        if (last)
            return *last >= bound ? last : std::nullopt;
    }
    return std::nullopt;
}

std::optional<size_t> LogSearch::FindAcrossLinesDown(const Needle& needle, size_t from, size_t bound) const
{
    StreamMatcher matcher(needle.Units());
    std::optional<size_t> start;
    WalkDown(m_text, from, [&](wchar_t unit, size_t position) {
        if (position >= bound)
            return true;
        if (matcher.Take(needle.Fold(unit)))
            start = position + 1 - needle.Size();
        return start.has_value();
    });
    return start;
}

std::optional<size_t> LogSearch::FindAcrossLinesUp(const Needle& needle, size_t from, size_t bound) const
{
    StreamMatcher matcher(std::wstring(needle.Units().rbegin(), needle.Units().rend()));
    std::optional<size_t> start;
    WalkUp(m_text, from, [&](wchar_t unit, size_t position) {
        if (position < bound)
            return true;
        if (matcher.Take(needle.Fold(unit)))
            start = position;
        return start.has_value();
    });
    return start;
}
