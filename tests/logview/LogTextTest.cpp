#include <LogText.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// What the edit control would hold: the raw text, lines split only at "\r\n".
struct RawText {
    std::wstring chars;

    std::vector<size_t> LineStarts() const
    {
        std::vector<size_t> starts{0};
        for (size_t at = chars.find(L"\r\n"); at != std::wstring::npos; at = chars.find(L"\r\n", at + 2))
            starts.push_back(at + 2);
        return starts;
    }
};

void ExpectSameAsRaw(const LogText& text, const RawText& raw)
{
    const std::vector<size_t> starts = raw.LineStarts();
    ASSERT_EQ(text.Length(), raw.chars.size());
    ASSERT_EQ(text.LineCount(), starts.size());
    for (size_t line = 0; line < starts.size(); ++line) {
        const size_t end = line + 1 < starts.size() ? starts[line + 1] - 2 : raw.chars.size();
        EXPECT_EQ(text.LineStart(line), starts[line]) << "line " << line;
        EXPECT_EQ(std::wstring(text.Line(line)), raw.chars.substr(starts[line], end - starts[line])) << "line " << line;
        for (size_t position = starts[line]; position < (line + 1 < starts.size() ? starts[line + 1] : end + 1);
             ++position)
            EXPECT_EQ(text.LineFromChar(position), line) << "position " << position;
    }
    EXPECT_EQ(text.Text(0, raw.chars.size()), raw.chars);
}

LogText::Limits Tiny(size_t chars, size_t lines)
{
    LogText::Limits limits;
    limits.pieceChars = chars;
    limits.pieceLines = lines;
    return limits;
}

TEST(LogText, EmptyTextHasOneEmptyLine)
{
    LogText text;
    EXPECT_EQ(text.Length(), 0u);
    EXPECT_EQ(text.LineCount(), 1u);
    EXPECT_TRUE(text.Line(0).empty());
    EXPECT_EQ(text.LineFromChar(5), 0u);
    EXPECT_EQ(text.Text(0, 10), L"");
}

TEST(LogText, BreaksLinesOnlyAtCrLfAndCountsTheBreakAsTwo)
{
    LogText text;
    text.Append(L"a\rb\nc\r\n\td\r\n");
    ASSERT_EQ(text.LineCount(), 3u);
    EXPECT_EQ(text.Line(0), L"a\rb\nc");
    EXPECT_EQ(text.Line(1), L"\td");
    EXPECT_EQ(text.Line(2), L"");
    EXPECT_EQ(text.Length(), 11u);
    EXPECT_EQ(text.LineStart(1), 7u);
    EXPECT_EQ(text.LineStart(2), 11u);
    EXPECT_EQ(text.LineFromChar(5), 0u); // on the "\r" of the break
    EXPECT_EQ(text.LineFromChar(6), 0u); // between "\r" and "\n"
    EXPECT_EQ(text.LineFromChar(7), 1u);
}

TEST(LogText, CrLfSplitAcrossAppendsIsOneBreak)
{
    LogText text;
    text.Append(L"ab\r");
    EXPECT_EQ(text.LineCount(), 1u);
    EXPECT_EQ(text.Line(0), L"ab\r");
    EXPECT_EQ(text.Length(), 3u);
    text.Append(L"");
    text.Append(L"\ncd\r");
    EXPECT_EQ(text.LineCount(), 2u);
    EXPECT_EQ(text.Line(0), L"ab");
    EXPECT_EQ(text.Line(1), L"cd\r");
    EXPECT_EQ(text.Length(), 7u);
    text.Append(L"x\n");
    EXPECT_EQ(text.LineCount(), 2u) << "\"\\r\" then \"x\\n\" is no break";
    EXPECT_EQ(text.Text(0, 100), L"ab\r\ncd\rx\n");
}

TEST(LogText, RangesCutInsideALineBreakKeepTheirHalf)
{
    LogText text;
    text.Append(L"one\r\ntwo\r\nthree");
    EXPECT_EQ(text.Text(2, 9), L"e\r\ntwo\r");
    EXPECT_EQ(text.Text(4, 6), L"\nt");
    EXPECT_EQ(text.Text(9, 11), L"\nt");
    EXPECT_EQ(text.Text(12, 100), L"ree");
    EXPECT_EQ(text.Text(7, 3), L"");
}

TEST(LogText, MatchesRawTextOverRandomAppendsAndReplacements)
{
    const std::wstring alphabet = L"ab\r\n\t中";
    // As the log is kept, and in pieces so small that nearly every change
    // meets a boundary between them.
    for (const LogText::Limits& limits : {LogText::Limits(), Tiny(8, 3), Tiny(1, 2)}) {
        SCOPED_TRACE(testing::Message() << "pieces of " << limits.pieceChars << " characters, " << limits.pieceLines
                                        << " lines");
        std::mt19937 random(20240601);
        for (int round = 0; round < 40; ++round) {
            LogText text(limits);
            RawText raw;
            for (int step = 0; step < 30; ++step) {
                std::wstring piece(random() % 6, L' ');
                for (wchar_t& c : piece)
                    c = alphabet[random() % alphabet.size()];
                if (step % 5 == 4) {
                    size_t from = random() % (raw.chars.size() + 1);
                    size_t to = from + random() % (raw.chars.size() - from + 1);
                    ASSERT_TRUE(text.Replace(from, to, piece));
                    raw.chars.replace(from, to - from, piece);
                } else {
                    ASSERT_TRUE(text.Append(piece));
                    raw.chars += piece;
                }
                ASSERT_NO_FATAL_FAILURE(ExpectSameAsRaw(text, raw)) << "round " << round << " step " << step;
            }
            const size_t from = random() % (raw.chars.size() + 1);
            EXPECT_EQ(text.Text(from, from + 7), raw.chars.substr(from, 7));
        }
    }
}

// One change to the text: an append, or with from set a replacement.
struct Change {
    static constexpr size_t kAppend = static_cast<size_t>(-1);

    Change(std::wstring text, size_t from = kAppend, size_t to = 0)
        : text(std::move(text))
        , from(from)
        , to(to)
    {
    }

    std::wstring text;
    size_t from;
    size_t to;
};

bool Make(LogText& text, const Change& change)
{
    return change.from == Change::kAppend ? text.Append(change.text)
                                          : text.Replace(change.from, change.to, change.text);
}

void Make(RawText& raw, const Change& change)
{
    if (change.from == Change::kAppend) {
        raw.chars += change.text;
    } else {
        const size_t to = std::min(change.to, raw.chars.size());
        const size_t from = std::min(change.from, to);
        raw.chars.replace(from, to - from, change.text);
    }
}

TEST(LogText, AnswersAsOneTextAcrossTheBoundariesOfItsPieces)
{
    // Pieces of 8 characters and 3 lines.
    const struct {
        const char* what;
        std::vector<Change> changes;
    } cases[] = {
        {"a \"\\r\" ends a full piece, the \"\\n\" starts the next", {{L"1234567\r"}, {L"\nabc"}}},
        {"a \"\\r\" ends a piece's last line, the \"\\n\" follows", {{L"a\r\nb\r\nc\r"}, {L"\nd\r\ne"}}},
        {"the line being written moves to the next piece", {{L"ab\r\ncdef"}, {L"ghij\r\nk"}}},
        {"a line longer than a piece, after others", {{L"ab\r\n"}, {L"0123456789"}, {L"abcdefghij"}, {L"\r\nz"}}},
        {"a line longer than a piece, in one append", {{L"0123456789abcdef\r\nxy\r\n"}}},
        {"empty lines fill pieces by their count", {{L"\r\n\r\n\r\n\r\n\r\n\r\n\r\n"}, {L"\r\n"}}},
        {"replacing from inside a break to the end, across pieces",
            {{L"ab\r\ncdef"}, {L"gh\r\nijkl\r\nmn"}, {L"X\r\nYZ", 3, 100}}},
        {"replacing from a piece's first line to the end", {{L"ab\r\ncdefgh\r\nij\r\nkl"}, {L"\r\nQ", 4, 100}}},
        {"replacing across a boundary inside the text", {{L"ab\r\ncdefgh\r\nij\r\nkl\r\nmn"}, {L"Q\r", 5, 14}}},
        {"replacing nothing at the end is an append", {{L"1234567\r"}, {L"\nx", 8, 8}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogText text(Tiny(8, 3));
        RawText raw;
        for (const Change& change : c.changes) {
            ASSERT_TRUE(Make(text, change));
            Make(raw, change);
            ASSERT_NO_FATAL_FAILURE(ExpectSameAsRaw(text, raw));
        }
    }
}

TEST(LogText, OneMegabyteLineInKilobyteAppends)
{
    LogText text;
    std::wstring chunk(1024, L'x');
    for (int i = 0; i < 1024; ++i) {
        chunk[0] = static_cast<wchar_t>(L'A' + i % 26);
        text.Append(chunk);
    }
    ASSERT_EQ(text.LineCount(), 1u);
    EXPECT_EQ(text.Length(), 1024u * 1024u);
    EXPECT_EQ(text.Line(0).size(), 1024u * 1024u);
    EXPECT_EQ(text.Text(1023 * 1024, 1023 * 1024 + 2), L"Jx");
    EXPECT_EQ(text.LineFromChar(1024 * 1024), 0u);
}

TEST(LogText, MillionsOfCharactersInKilobyteAppends)
{
    std::wstring all;
    for (int line = 0; all.size() < 4'000'000; ++line)
        all += L"line " + std::to_wstring(line) + L": programming block\t0x" + std::to_wstring(line * 16) + L"\r\n";
    LogText text;
    for (size_t at = 0; at < all.size(); at += 1024)
        text.Append(std::wstring_view(all).substr(at, 1024));

    RawText raw{all};
    const std::vector<size_t> starts = raw.LineStarts();
    ASSERT_EQ(text.LineCount(), starts.size());
    ASSERT_EQ(text.Length(), all.size());
    for (size_t line = 0; line < starts.size(); line += 997) {
        EXPECT_EQ(text.LineStart(line), starts[line]);
        EXPECT_EQ(text.LineFromChar(starts[line] + 3), line);
        EXPECT_EQ(text.Line(line).substr(0, 5 + std::to_wstring(line).size()), L"line " + std::to_wstring(line));
    }
    EXPECT_TRUE(text.Text(0, all.size()) == all);
    // No block grows with the log, and what it holds is close to the text.
    const LogText::Limits limits;
    EXPECT_LE(text.Memory().largest, limits.pieceChars * sizeof(wchar_t));
    EXPECT_LE(text.Memory().used, all.size() * sizeof(wchar_t) * 9 / 8 + limits.pieceChars * sizeof(wchar_t));
    text.Assign(L"fresh");
    EXPECT_EQ(text.Length(), 5u);
    EXPECT_EQ(text.LineCount(), 1u);
}

// A text given just the memory that `before` needs on its way, plus slack bytes.
LogText Budgeted(const LogText::Limits& limits, const std::vector<Change>& before, size_t slack)
{
    LogText measured(limits);
    for (const Change& change : before)
        Make(measured, change);
    LogText::Limits budgeted = limits;
    budgeted.budgetBytes = measured.Memory().peak + slack;
    return LogText(budgeted);
}

TEST(LogText, OutOfMemoryKeepsTheTextAndEndsItWithOneFullLine)
{
    const std::wstring full = std::wstring(LogText::kFullLine) + L"\r\n";
    // Room for the line to be kept in reserve again, not for a new piece.
    constexpr size_t kSlack = 64;
    const std::wstring lines = L"one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix\r\n";
    const struct {
        const char* what;
        LogText::Limits limits;
        std::vector<Change> before;
        size_t slack; // bytes of budget beyond what `before` took
        Change refused;
        std::wstring expected; // the text after the refusal
    } cases[] = {
        {"the log ends inside a line", Tiny(8, 3), {{L"ab\r\ncd"}}, kSlack, {lines}, L"ab\r\ncd\r\n" + full},
        {"the log ends with a line break", Tiny(8, 3), {{L"ab\r\n"}}, kSlack, {lines}, L"ab\r\n" + full},
        {"an empty log", Tiny(8, 3), {}, kSlack, {lines}, full},
        {"a full piece's last line ends in \"\\r\", the \"\\n\" is refused", Tiny(8, 3), {{L"x\r\nab\r\nc\r"}}, kSlack,
            {L"\nd"}, L"x\r\nab\r\nc\r\r\n" + full},
        {"pieces taken part way are given back", Tiny(8, 3), {{L"ab\r\ncd"}}, 400, {lines + lines + lines},
            L"ab\r\ncd\r\n" + full},
        {"a line longer than a piece outgrows the memory", Tiny(8, 3), {{L"ab\r\n0123456789"}}, kSlack,
            {std::wstring(1000, L'x')}, L"ab\r\n0123456789\r\n" + full},
        {"a replacement inside the text is undone", Tiny(8, 3), {{L"ab\r\ncdefgh\r\nij"}}, kSlack, {lines, 4, 6},
            L"ab\r\ncdefgh\r\nij\r\n" + full},
        {"a log in one large piece", LogText::Limits(), {{std::wstring(300, L'y') + L"\r\n"}}, kSlack,
            {std::wstring(2000, L'z')}, std::wstring(300, L'y') + L"\r\n" + full},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogText text = Budgeted(c.limits, c.before, c.slack);
        for (const Change& change : c.before)
            ASSERT_TRUE(Make(text, change));

        EXPECT_FALSE(Make(text, c.refused));
        EXPECT_TRUE(text.Full());
        ASSERT_NO_FATAL_FAILURE(ExpectSameAsRaw(text, RawText{c.expected}));
        // Refused from then on, with no second line.
        EXPECT_FALSE(text.Append(L"x"));
        EXPECT_EQ(text.Text(0, text.Length()), c.expected);

        // A new run tries again and, still out of memory, says so again.
        ASSERT_TRUE(text.TakeTextAgain());
        EXPECT_FALSE(text.Append(lines + lines));
        ASSERT_NO_FATAL_FAILURE(ExpectSameAsRaw(text, RawText{c.expected + full}));
    }
}

} // namespace
