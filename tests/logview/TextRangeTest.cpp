// The log's text as a UI Automation client reads it, on the provider's own
// objects: units against the edit messages and the caret's own moves, the
// text across the log's pieces, and what clients may get wrong.

#include "AutomationHostDouble.h"

#include <EditQueries.h>
#include <LogTextProvider.h>
#include <TextNavigator.h>

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace {

using Range = ComPtr<uia::ITextRangeProvider>;
constexpr auto kStart = uia::TextPatternRangeEndpoint_Start;
constexpr auto kEnd = uia::TextPatternRangeEndpoint_End;

std::wstring Take(BSTR text)
{
    std::wstring taken(text != nullptr ? text : L"", ::SysStringLen(text));
    ::SysFreeString(text);
    return taken;
}

std::wstring TextOf(uia::ITextRangeProvider* range, int maxLength = -1)
{
    BSTR text = nullptr;
    EXPECT_EQ(range->GetText(maxLength, &text), S_OK);
    return Take(text);
}

struct Ends {
    size_t start;
    size_t end;
    bool operator==(const Ends& other) const { return start == other.start && end == other.end; }
};

std::ostream& operator<<(std::ostream& out, const Ends& ends)
{
    return out << "[" << ends.start << ", " << ends.end << ")";
}

// Where the range is, read through the text before each end.
Ends EndsOf(AutomationHostDouble& host, uia::ITextRangeProvider* range)
{
    const Range before = host.Range(0, 0);
    before->MoveEndpointByRange(kEnd, range, kStart);
    const size_t start = TextOf(before.get()).size();
    before->MoveEndpointByRange(kEnd, range, kEnd);
    return {start, TextOf(before.get()).size()};
}

LRESULT Ask(AutomationHostDouble& host, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return *EditQueries(host.text, host.selection, host.SettledLayout()).Answer(message, wParam, lParam);
}

LogText::Limits Pieces(size_t chars, size_t lines)
{
    LogText::Limits limits;
    limits.pieceChars = chars;
    limits.pieceLines = lines;
    return limits;
}

// Whole lines, an empty line, pieces of a few characters or lines, the
// empty last line, and a log that ran out of memory.
std::vector<LogText::Limits> Layouts()
{
    return {LogText::Limits(), Pieces(8, 2), Pieces(1, 2)};
}

const wchar_t kLines[] = L"alpha beta\r\n\r\ngamma, delta\r\nx\r\n";

TEST(TextRange, LinesParagraphsAndFormatRunsAreTheEditControlsLinesWithTheirBreaks)
{
    for (const LogText::Limits& limits : Layouts()) {
        AutomationHostDouble host(limits);
        host.text.Append(kLines);
        const size_t count = static_cast<size_t>(Ask(host, EM_GETLINECOUNT));
        ASSERT_EQ(count, 5u) << "the empty last line is a line";
        for (size_t line = 0; line < count; ++line) {
            const size_t start = static_cast<size_t>(Ask(host, EM_LINEINDEX, line));
            const size_t length = static_cast<size_t>(Ask(host, EM_LINELENGTH, start));
            const size_t next = line + 1 < count ? static_cast<size_t>(Ask(host, EM_LINEINDEX, line + 1)) : start;
            for (const uia::TextUnit unit : {uia::TextUnit_Line, uia::TextUnit_Paragraph, uia::TextUnit_Format}) {
                const Range range = host.Range(start + length, start + length);
                ASSERT_EQ(range->ExpandToEnclosingUnit(unit), S_OK);
                EXPECT_EQ(EndsOf(host, range.get()), (Ends{start, next})) << "line " << line << ", unit " << unit;
                int moved = 0;
                ASSERT_EQ(range->Move(unit, 1, &moved), S_OK);
                EXPECT_EQ(moved, line + 1 < count ? 1 : 0) << "line " << line;
            }
        }
    }
}

// Moving an insertion point one unit at a time visits what the caret's own
// moves visit, both ways; expanding there takes what the caret steps over.
TEST(TextRange, CharactersAndWordsAreWhatTheCaretStepsOver)
{
    struct Case {
        uia::TextUnit unit;
        size_t (TextNavigator::*right)(size_t) const;
        size_t (TextNavigator::*left)(size_t) const;
    };
    const Case cases[] = {
        {uia::TextUnit_Character, &TextNavigator::CharRight, &TextNavigator::CharLeft},
        {uia::TextUnit_Word, &TextNavigator::WordRight, &TextNavigator::WordLeft},
    };
    for (const LogText::Limits& limits : Layouts()) {
        AutomationHostDouble host(limits);
        host.text.Append(L"foo, bar_1 中文\x3000\xD83D\xDE00x\r\n\r\n  end.\r\n");
        const TextNavigator navigator(host.text);
        const size_t length = host.text.Length();
        for (const Case& c : cases) {
            const Range range = host.Range(0, 0);
            for (size_t caret = 0; caret < length;) {
                const size_t next = (navigator.*c.right)(caret);
                const Range unit = host.Range(caret, caret);
                unit->ExpandToEnclosingUnit(c.unit);
                EXPECT_EQ(EndsOf(host, unit.get()), (Ends{caret, next})) << "unit " << c.unit << " at " << caret;
                int moved = 0;
                range->Move(c.unit, 1, &moved);
                ASSERT_EQ(EndsOf(host, range.get()), (Ends{next, next})) << "unit " << c.unit << " from " << caret;
                caret = next;
            }
            for (size_t caret = length; caret > 0;) {
                const size_t previous = (navigator.*c.left)(caret);
                int moved = 0;
                range->Move(c.unit, -1, &moved);
                ASSERT_EQ(EndsOf(host, range.get()), (Ends{previous, previous}))
                    << "unit " << c.unit << " back from " << caret;
                caret = previous;
            }
        }
    }
}

TEST(TextRange, ExpandsFromInsideALineBreakOrASurrogatePairToAllOfIt)
{
    AutomationHostDouble host;
    host.text.Append(L"a\xD83D\xDE00\r\nb"); // pair 1-2, break 3-4
    const struct {
        size_t at;
        uia::TextUnit unit;
        Ends expanded;
    } cases[] = {
        {2, uia::TextUnit_Character, {1, 3}},
        {4, uia::TextUnit_Character, {3, 5}},
        {4, uia::TextUnit_Word, {3, 5}},
        {4, uia::TextUnit_Line, {0, 5}},
        {6, uia::TextUnit_Character, {6, 6}}, // the end: no character after it
        {6, uia::TextUnit_Line, {5, 6}},
        {2, uia::TextUnit_Document, {0, 6}},
    };
    for (const auto& c : cases) {
        const Range range = host.Range(c.at, c.at);
        ASSERT_EQ(range->ExpandToEnclosingUnit(c.unit), S_OK);
        EXPECT_EQ(EndsOf(host, range.get()), c.expanded) << "unit " << c.unit << " at " << c.at;
    }
}

// "one two" 0-6, break 7-8, "three" 9-13, break 14-15, a pair and "x" 16-18.
const wchar_t kShort[] = L"one two\r\nthree\r\n\xD83D\xDE00x";

TEST(TextRange, HugeAndNegativeCountsLandAtTheEndsWithTheUnitsPassed)
{
    const struct {
        const char* what;
        Ends from;
        uia::TextUnit unit;
        int count;
        Ends to;
        int moved;
    } cases[] = {
        {"a point by characters", {9, 9}, uia::TextUnit_Character, INT_MAX, {19, 19}, 8},
        {"a point back by characters", {9, 9}, uia::TextUnit_Character, INT_MIN, {0, 0}, -8},
        {"a point by words", {9, 9}, uia::TextUnit_Word, INT_MAX, {19, 19}, 3},
        {"a point by lines", {10, 10}, uia::TextUnit_Line, INT_MAX, {19, 19}, 2},
        {"a point back by lines", {10, 10}, uia::TextUnit_Line, -INT_MAX, {0, 0}, -2},
        {"a point by pages", {0, 0}, uia::TextUnit_Page, INT_MAX, {19, 19}, 1},
        {"a line on", {9, 16}, uia::TextUnit_Line, INT_MAX, {16, 19}, 1},
        {"a line back", {9, 16}, uia::TextUnit_Line, INT_MIN, {0, 9}, -1},
        {"a character on, to the last", {0, 1}, uia::TextUnit_Character, INT_MAX, {18, 19}, 15},
        {"a word back, to the first", {16, 19}, uia::TextUnit_Word, -1000, {0, 4}, -5},
        {"the last line on: nowhere", {16, 19}, uia::TextUnit_Line, 1, {16, 19}, 0},
        {"the document on: nowhere", {0, 19}, uia::TextUnit_Document, INT_MAX, {0, 19}, 0},
    };
    for (const LogText::Limits& limits : Layouts()) {
        AutomationHostDouble host(limits);
        host.text.Append(kShort);
        for (const auto& c : cases) {
            const Range range = host.Range(c.from.start, c.from.end);
            int moved = 0;
            ASSERT_EQ(range->Move(c.unit, c.count, &moved), S_OK) << c.what;
            EXPECT_EQ(EndsOf(host, range.get()), c.to) << c.what;
            EXPECT_EQ(moved, c.moved) << c.what;
        }
    }
}

TEST(TextRange, AnEndpointMovedPastTheOtherTakesItAlong)
{
    const struct {
        Ends from;
        uia::TextPatternRangeEndpoint endpoint;
        uia::TextUnit unit;
        int count;
        Ends to;
        int moved;
    } cases[] = {
        {{9, 16}, kEnd, uia::TextUnit_Line, INT_MIN, {0, 0}, -2},
        {{9, 16}, kStart, uia::TextUnit_Line, INT_MAX, {19, 19}, 2},
        {{9, 16}, kStart, uia::TextUnit_Character, -2, {6, 16}, -2}, // the break is one
        {{9, 9}, kEnd, uia::TextUnit_Word, 1, {9, 14}, 1},
    };
    AutomationHostDouble host;
    host.text.Append(kShort);
    for (const auto& c : cases) {
        const Range range = host.Range(c.from.start, c.from.end);
        int moved = 0;
        ASSERT_EQ(range->MoveEndpointByUnit(c.endpoint, c.unit, c.count, &moved), S_OK);
        EXPECT_EQ(EndsOf(host, range.get()), c.to) << c.from << " endpoint " << c.endpoint << " by " << c.count;
        EXPECT_EQ(moved, c.moved) << c.from << " endpoint " << c.endpoint << " by " << c.count;
    }
}

TEST(TextRange, AFullLogEndsWithTheLineThatSaysSo)
{
    LogText::Limits limits;
    limits.budgetBytes = 64 * 1024;
    AutomationHostDouble host(limits);
    host.text.Append(L"first\r\n");
    ASSERT_FALSE(host.text.Append(std::wstring(limits.budgetBytes, L'x'))) << "the text should run out";
    // From the empty line after it, the line before.
    const Range range = host.Range(0, 0);
    int moved = 0;
    range->Move(uia::TextUnit_Line, INT_MAX, &moved);
    EXPECT_EQ(moved, 2);
    range->Move(uia::TextUnit_Line, -1, &moved);
    range->ExpandToEnclosingUnit(uia::TextUnit_Line);
    EXPECT_EQ(TextOf(range.get()), std::wstring(LogText::kFullLine) + L"\r\n");
}

TEST(TextRange, GetTextCutsAtTheLengthAskedAndAtTheTextsEnd)
{
    AutomationHostDouble host(Pieces(8, 2));
    host.text.Append(kShort);
    const Range range = host.Range(5, 12);
    const struct {
        int maxLength;
        HRESULT result;
        std::wstring text;
    } cases[] = {
        {-1, S_OK, L"wo\r\nthr"},
        {0, S_OK, L""},
        {3, S_OK, L"wo\r"},
        {100, S_OK, L"wo\r\nthr"},
        {-2, E_INVALIDARG, L""},
    };
    for (const auto& c : cases) {
        BSTR text = nullptr;
        EXPECT_EQ(range->GetText(c.maxLength, &text), c.result) << c.maxLength;
        EXPECT_EQ(Take(text), c.text) << c.maxLength;
    }
    // The text replaced by a shorter one: both ends are clamped to it.
    host.text.Assign(L"one");
    EXPECT_EQ(TextOf(range.get()), L"");
    EXPECT_EQ(EndsOf(host, range.get()), (Ends{3, 3}));
}

TEST(TextRange, FindsTextOnlyWithinItself)
{
    AutomationHostDouble host(Pieces(8, 2));
    host.text.Append(L"Ab ab\r\nab\r\nAB");
    const struct {
        Ends range;
        const wchar_t* text;
        BOOL backward;
        BOOL ignoreCase;
        std::optional<Ends> found;
    } cases[] = {
        {{0, 13}, L"ab", FALSE, FALSE, Ends{3, 5}}, {{0, 13}, L"ab", FALSE, TRUE, Ends{0, 2}},
        {{0, 13}, L"ab", TRUE, TRUE, Ends{11, 13}}, {{4, 11}, L"ab", TRUE, FALSE, Ends{7, 9}},
        {{4, 8}, L"ab", FALSE, TRUE, std::nullopt}, // a match runs past its end
        {{4, 6}, L"ab", TRUE, TRUE, std::nullopt}, // a match starts before it
        {{1, 12}, L"b\r\nab", FALSE, FALSE, Ends{4, 9}}, {{1, 8}, L"b\r\nab", FALSE, FALSE, std::nullopt},
        {{5, 13}, L"b\r\nab", TRUE, FALSE, std::nullopt}, // a match starts before it
    };
    for (const auto& c : cases) {
        const Range range = host.Range(c.range.start, c.range.end);
        BSTR text = ::SysAllocString(c.text);
        Range found;
        EXPECT_EQ(range->FindText(text, c.backward, c.ignoreCase, found.put()), S_OK);
        ::SysFreeString(text);
        ASSERT_EQ(static_cast<bool>(found), c.found.has_value()) << c.range << " backward " << c.backward;
        if (found) {
            EXPECT_EQ(EndsOf(host, found.get()), *c.found) << c.range << " backward " << c.backward;
        }
    }
}

} // namespace
