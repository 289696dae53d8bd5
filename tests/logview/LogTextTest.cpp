#include <LogText.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
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
    std::mt19937 random(20240601);
    for (int round = 0; round < 40; ++round) {
        LogText text;
        RawText raw;
        for (int step = 0; step < 30; ++step) {
            std::wstring piece(random() % 6, L' ');
            for (wchar_t& c : piece)
                c = alphabet[random() % alphabet.size()];
            if (step % 5 == 4) {
                size_t from = random() % (raw.chars.size() + 1);
                size_t to = from + random() % (raw.chars.size() - from + 1);
                text.Replace(from, to, piece);
                raw.chars.replace(from, to - from, piece);
            } else {
                text.Append(piece);
                raw.chars += piece;
            }
            ASSERT_NO_FATAL_FAILURE(ExpectSameAsRaw(text, raw)) << "round " << round << " step " << step;
        }
        const size_t from = random() % (raw.chars.size() + 1);
        EXPECT_EQ(text.Text(from, from + 7), raw.chars.substr(from, 7));
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
    text.Assign(L"fresh");
    EXPECT_EQ(text.Length(), 5u);
    EXPECT_EQ(text.LineCount(), 1u);
}

} // namespace
