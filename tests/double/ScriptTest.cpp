// The script language and the filler generator, without starting a process.

#include "FillerText.h"
#include "Script.h"

#include <gtest/gtest.h>

namespace {

using tooldouble::Command;
using tooldouble::FillerText;
using tooldouble::Script;
using tooldouble::ScriptError;
using tooldouble::Stream;
using tooldouble::Verb;

std::vector<Command> parse(const std::string& text)
{
    return Script::parse(text, L"C:\\scripts").commands();
}

int errorLine(const std::string& text)
{
    try {
        parse(text);
    } catch (const ScriptError& error) {
        return error.line();
    }
    return -1;
}

TEST(ScriptTest, SkipsBomCommentsAndBlankLinesAndKeepsLineNumbers)
{
    const auto commands = parse("\xEF\xBB\xBF# a comment\r\n\r\n  \tout x \r\nsleep 5\n# out not this\n");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].line, 3);
    EXPECT_EQ(commands[0].verb, Verb::Write);
    EXPECT_EQ(commands[0].stream, Stream::Out);
    EXPECT_EQ(commands[0].bytes, "x ");
    EXPECT_EQ(commands[1].line, 4);
    EXPECT_EQ(commands[1].verb, Verb::Sleep);
    EXPECT_EQ(commands[1].amount, 5u);
}

TEST(ScriptTest, RelativePathsResolveAgainstTheScriptFolder)
{
    const auto commands
        = parse("touch sub\\flag\nargs D:\\elsewhere\\a.txt\nwaitfile \\\\server\\share\\go\nspawn  next.script \n");
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].path, L"C:\\scripts\\sub\\flag");
    EXPECT_EQ(commands[1].path, L"D:\\elsewhere\\a.txt");
    EXPECT_EQ(commands[2].path, L"\\\\server\\share\\go");
    EXPECT_EQ(commands[3].path, L"C:\\scripts\\next.script");
}

TEST(ScriptTest, NumbersTakeSuffixesAndExitCodesEveryForm)
{
    const auto commands = parse("filler 2K 100\nerrfiller 1M\nexit 0xFFFFFFFF\nexit -2\nexit 300\n");
    ASSERT_EQ(commands.size(), 5u);
    EXPECT_EQ(commands[0].amount, 2048u);
    EXPECT_EQ(commands[0].width, 100u);
    EXPECT_EQ(commands[1].amount, 1048576u);
    EXPECT_EQ(commands[1].stream, Stream::Err);
    EXPECT_EQ(commands[1].width, FillerText::kDefaultWidth);
    EXPECT_EQ(commands[2].exitCode, 0xFFFFFFFFu);
    EXPECT_EQ(commands[3].exitCode, 0xFFFFFFFEu);
    EXPECT_EQ(commands[4].exitCode, 300u);
}

TEST(ScriptTest, MistakesNameTheirLine)
{
    EXPECT_EQ(errorLine("out ok\n\nbogus\n"), 3);
    EXPECT_EQ(errorLine("exit 4294967296\n"), 1);
    EXPECT_EQ(errorLine("exit 0x1G\n"), 1);
    EXPECT_EQ(errorLine("filler 10 1\n"), 1);
    EXPECT_EQ(errorLine("sleep\n"), 1);
    EXPECT_EQ(errorLine("touch   \n"), 1);
    EXPECT_EQ(errorLine("closestd now\n"), 1);
    EXPECT_EQ(errorLine("handle 0x1A4 h.txt\n"), 1);
    EXPECT_EQ(errorLine("handle 420\n"), 1);
    EXPECT_EQ(errorLine("out fine\n"), -1);
}

TEST(ScriptTest, ReadsTheBenchmarksVerbs)
{
    const auto commands = parse("filler 16M\nticks 100 20\nleak 64\nsleep 10000\n");
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].verb, Verb::Filler);
    EXPECT_EQ(commands[0].amount, 16u * 1024 * 1024);
    EXPECT_EQ(commands[1].verb, Verb::Ticks);
    EXPECT_EQ(commands[1].amount, 100u);
    EXPECT_EQ(commands[1].intervalMs, 20u);
    EXPECT_EQ(commands[2].verb, Verb::Leak);
    EXPECT_EQ(commands[2].amount, 64u);
    EXPECT_EQ(commands[3].verb, Verb::Sleep);
    EXPECT_EQ(commands[3].amount, 10000u);
}

TEST(ScriptTest, BenchmarkVerbsRefuseWhatTheyCannotDoExactly)
{
    for (const char* wrong : {"ticks\n", "ticks 100\n", "ticks 0 100\n", "ticks 5 0\n", "ticks x 100\n", "ticks 5 -1\n",
             "ticks 100001 1\n", "leak\n", "leak 0\n", "leak -1\n", "leak 100001\n", "sleep -5\n", "filler 16MB\n",
             "filler 1e9\n", "filler 0.5M\n"})
        EXPECT_EQ(errorLine(wrong), 1) << wrong;
}

TEST(ScriptTest, TextEscapesAreStrict)
{
    EXPECT_EQ(Script::decodeText("a\\x41\\x0d\\\\"), "aA\r\\");
    EXPECT_THROW(Script::decodeText("\\x4"), std::invalid_argument);
    EXPECT_THROW(Script::decodeText("\\xZZ"), std::invalid_argument);
    EXPECT_THROW(Script::decodeText("ends\\"), std::invalid_argument);
    EXPECT_THROW(Script::decodeText("\\u4e2d"), std::invalid_argument);
}

TEST(ScriptTest, HexBytesComeInPairs)
{
    EXPECT_EQ(Script::decodeHex(" 0d0A\tff "), "\r\n\xFF");
    EXPECT_EQ(Script::decodeHex(""), "");
    EXPECT_THROW(Script::decodeHex("0 d"), std::invalid_argument);
    EXPECT_THROW(Script::decodeHex("abc"), std::invalid_argument);
    EXPECT_THROW(Script::decodeHex("0x0d"), std::invalid_argument);
}

TEST(FillerTextTest, TakingInAnyChunksGivesTheSameText)
{
    const std::string whole = FillerText::all(1000, 20);
    ASSERT_EQ(whole.size(), 1000u);
    for (std::size_t chunk : {1u, 7u, 63u, 4096u}) {
        FillerText filler(1000, 20);
        std::string pieces;
        while (!filler.done())
            pieces += filler.take(chunk);
        EXPECT_EQ(pieces, whole) << "chunks of " << chunk;
        EXPECT_EQ(filler.take(chunk), "");
    }
}

TEST(FillerTextTest, LinesAreNumberedFixedWidthAndEndInCrLf)
{
    const std::string text = FillerText::all(3 * 64);
    const std::string first = text.substr(0, 64);
    EXPECT_EQ(first.substr(0, 16), "filler 00000001 ");
    EXPECT_EQ(first.find('\r'), 62u);
    EXPECT_EQ(first.substr(62), "\r\n");
    EXPECT_EQ(text.substr(64, 16), "filler 00000002 ");
    EXPECT_EQ(text.substr(128, 16), "filler 00000003 ");
    EXPECT_NE(text.substr(64 + 16, 46), first.substr(16, 46)) << "neighbouring lines should differ";
    EXPECT_EQ(FillerText::all(10 * 20, 20).substr(9 * 20), "filler 00000010 jj\r\n");
}

TEST(FillerTextTest, EdgeSizes)
{
    EXPECT_EQ(FillerText::all(0), "");
    EXPECT_EQ(FillerText::all(1), "\n");
    EXPECT_EQ(FillerText::all(2), "\r\n");
    EXPECT_EQ(FillerText::all(6, 4), "fi\r\n\r\n");
    // Line 27 starts the letters over.
    const std::string text = FillerText::all(27 * 20, 20);
    EXPECT_EQ(text.substr(26 * 20), "filler 00000027 aa\r\n");
}

} // namespace
