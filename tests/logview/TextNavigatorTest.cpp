#include <TextNavigator.h>

#include <gtest/gtest.h>

#include <string_view>

namespace {

LogText TextOf(std::wstring_view chars)
{
    LogText text;
    text.Append(chars);
    return text;
}

TEST(TextNavigator, StepsOverALineBreakAsOneCharacter)
{
    // "ab" 0-1, break 2-3, "c\rd" 4-6.
    const LogText text = TextOf(L"ab\r\nc\rd");
    const TextNavigator navigator(text);
    EXPECT_EQ(navigator.CharRight(2), 4u) << "from the end of a line to the start of the next";
    EXPECT_EQ(navigator.CharLeft(4), 2u) << "from the start of a line to the end of the one before";
    EXPECT_EQ(navigator.CharRight(5), 6u) << "a lone carriage return is an ordinary character";
    EXPECT_EQ(navigator.CharRight(7), 7u);
    EXPECT_EQ(navigator.CharLeft(0), 0u);
}

TEST(TextNavigator, KeepsSurrogatePairsWhole)
{
    // "a", a pair at 1-2, "b" at 3; then a line starting with a pair, and a
    // low surrogate with no high one before it.
    const LogText text = TextOf(L"a\xD83D\xDE00"
                                L"b\r\n\xD83D\xDE00\xDE00");
    const TextNavigator navigator(text);
    EXPECT_EQ(navigator.CharRight(1), 3u);
    EXPECT_EQ(navigator.CharLeft(3), 1u);
    EXPECT_EQ(navigator.CharLeft(8), 6u) << "a pair at the start of a line";
    EXPECT_EQ(navigator.CharRight(6), 8u);
    EXPECT_EQ(navigator.CharLeft(9), 8u) << "a lone low surrogate is one character";
}

TEST(TextNavigator, MovesByWordsOfLettersOfPunctuationAndOfSpaces)
{
    // "foo" 0-2, "," 3, " " 4, "bar_1" 5-9, " " 10, "中文" 11-12,
    // ideographic space 13, " " 14, "x" 15; break 16-17; "next" 18-21.
    const LogText text = TextOf(L"foo, bar_1 中文\x3000 x\r\nnext");
    const TextNavigator navigator(text);
    EXPECT_EQ(navigator.WordRight(0), 3u) << "punctuation ends a word";
    EXPECT_EQ(navigator.WordRight(3), 5u) << "and is a word itself, with the spaces after it";
    EXPECT_EQ(navigator.WordRight(5), 11u) << "digits and underscores belong to words";
    EXPECT_EQ(navigator.WordRight(11), 15u) << "Chinese is letters; the ideographic space a space";
    EXPECT_EQ(navigator.WordRight(16), 18u) << "at the end of a line, to the next";
    EXPECT_EQ(navigator.WordLeft(18), 16u) << "at the start of a line, to the end of the one before";
    EXPECT_EQ(navigator.WordLeft(15), 11u);
    EXPECT_EQ(navigator.WordLeft(12), 11u) << "from inside a word to its start";
    EXPECT_EQ(navigator.WordLeft(5), 3u);
    EXPECT_EQ(navigator.WordLeft(3), 0u);
}

TEST(TextNavigator, DoubleClickSelectsTheRunAtThePosition)
{
    // "say" 0-2, "  " 3-4, "hello" 5-9, "!!" 10-11; break; empty line at 14.
    const LogText text = TextOf(L"say  hello!!\r\n\r\nz");
    const TextNavigator navigator(text);
    EXPECT_EQ(navigator.WordAt(7), (Selection{5, 10}));
    EXPECT_EQ(navigator.WordAt(5), (Selection{5, 10})) << "at a word's start";
    EXPECT_EQ(navigator.WordAt(3), (Selection{3, 5})) << "spaces are a run too";
    EXPECT_EQ(navigator.WordAt(12), (Selection{10, 12})) << "at the end of a line, its last run";
    EXPECT_EQ(navigator.WordAt(14), (Selection{14, 14})) << "an empty line selects nothing";
}

TEST(TextNavigator, KeysMoveByCharacterWordLineAndText)
{
    const LogText text = TextOf(L"one two\r\nthree four");
    const TextNavigator navigator(text);
    const size_t caret = 12; // in "three"
    EXPECT_EQ(navigator.KeyTarget(VK_LEFT, false, caret), 11u);
    EXPECT_EQ(navigator.KeyTarget(VK_LEFT, true, caret), 9u);
    EXPECT_EQ(navigator.KeyTarget(VK_RIGHT, true, caret), 15u);
    EXPECT_EQ(navigator.KeyTarget(VK_HOME, false, caret), 9u);
    EXPECT_EQ(navigator.KeyTarget(VK_END, false, 2), 7u) << "the end of the line, before its break";
    EXPECT_EQ(navigator.KeyTarget(VK_HOME, true, caret), 0u);
    EXPECT_EQ(navigator.KeyTarget(VK_END, true, 2), text.Length());
    EXPECT_FALSE(navigator.KeyTarget(VK_UP, false, caret).has_value());
}

} // namespace
