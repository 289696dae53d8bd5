// The double through a pipe, as Tarrow sees it: every script command must
// produce exactly its bytes, and the synchronisation commands must hold the
// double where the script says.

#include "ConsoleRun.h"
#include "Encoding.h"
#include "FillerText.h"
#include "Sandbox.h"
#include "TickLine.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using e2e::ConsoleRun;
using e2e::ConsoleRunOptions;
using e2e::Sandbox;
using e2e::SandboxOptions;
using tooldouble::FillerText;

struct Outcome {
    std::string out;
    std::string err;
    DWORD exitCode = 0xFFFFFFFF;
};

class DoubleTest : public testing::Test {
protected:
    DoubleTest()
        : box_(SandboxOptions{false, L""})
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(box_.ready());
        // The expected bytes below are GBK; the Wine prefix runs code page 936.
        ASSERT_EQ(::GetACP(), 936u);
    }

    ConsoleRunOptions options(bool merged = false) const
    {
        ConsoleRunOptions result;
        result.environment = box_.environment();
        result.mergeStreams = merged;
        return result;
    }

    // Installs the double as burnkit.exe with the script and runs it to the end.
    Outcome run(const std::string& script, bool merged = false, const std::wstring& arguments = {})
    {
        const std::wstring exe = box_.installTool(L"burnkit.exe", script);
        ConsoleRunOptions runOptions = options(merged);
        runOptions.arguments = arguments;
        return finish(exe, runOptions);
    }

    Outcome finish(const std::wstring& exe, const ConsoleRunOptions& runOptions)
    {
        ConsoleRun process(exe, runOptions);
        Outcome outcome;
        EXPECT_TRUE(process.start());
        EXPECT_TRUE(process.readToEnd());
        EXPECT_TRUE(process.waitForExit());
        outcome.out = process.out();
        outcome.err = process.err();
        outcome.exitCode = process.exitCode().value_or(0xFFFFFFFF);
        return outcome;
    }

    Sandbox box_;
};

TEST_F(DoubleTest, OutConvertsTextToTheAnsiCodePage)
{
    const Outcome outcome = run("out 你好，编程\\r\\n");
    EXPECT_EQ(outcome.out, "\xC4\xE3\xBA\xC3\xA3\xAC\xB1\xE0\xB3\xCC\r\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.exitCode, 0u);
}

TEST_F(DoubleTest, EscapesGiveControlBytesAndHexEscapesStayRaw)
{
    const Outcome outcome = run("out a\\tb\\\\c\\0d\\r\\n\n"
                                "out 中\\xA1\\xFF文\n");
    const std::string expected
        = std::string("a\tb\\c", 5) + std::string(1, '\0') + "d\r\n" + "\xD6\xD0" + "\xA1\xFF" + "\xCE\xC4";
    EXPECT_EQ(outcome.out, expected);
}

TEST_F(DoubleTest, TextKeepsItsSpacesAndOutRawTakesHexPairs)
{
    const Outcome outcome = run("out   two leading, two trailing  \n"
                                "outraw C4 E3 0d0A\n"
                                "errraw 00ff\n");
    EXPECT_EQ(outcome.out, "  two leading, two trailing  \xC4\xE3\r\n");
    EXPECT_EQ(outcome.err, std::string("\0\xFF", 2));
}

TEST_F(DoubleTest, StreamsStaySeparateOrMergeInOrder)
{
    const std::string script = "out 1\nerr 2\nout 3\nerr 4\n";
    const Outcome separate = run(script);
    EXPECT_EQ(separate.out, "13");
    EXPECT_EQ(separate.err, "24");

    const Outcome merged = run(script, true);
    EXPECT_EQ(merged.out, "1234");
}

TEST_F(DoubleTest, FillerPrintsExactlyTheRequestedNumberedLines)
{
    const Outcome outcome = run("filler 45 20\nerrfiller 41 20\n");
    EXPECT_EQ(outcome.out,
        "filler 00000001 aa\r\n"
        "filler 00000002 bb\r\n"
        "fil\r\n");
    // A one-byte remainder widens the line before it.
    EXPECT_EQ(outcome.err,
        "filler 00000001 aa\r\n"
        "filler 00000002 bbb\r\n");
}

TEST_F(DoubleTest, FillerFloodMatchesTheSharedGenerator)
{
    const Outcome outcome = run("filler 1M\n");
    ASSERT_EQ(outcome.out.size(), 1024u * 1024u);
    EXPECT_TRUE(outcome.out == FillerText::all(1024 * 1024)) << "the flood differs from FillerText::all";
    EXPECT_EQ(outcome.out.substr(0, 64), "filler 00000001 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n");
    EXPECT_EQ(outcome.out.substr(outcome.out.size() - 2), "\r\n");
}

TEST_F(DoubleTest, FillerOfAnyLengthIsExactAcrossAShortLastWrite)
{
    // Neither a whole number of 64 KB writes nor of lines.
    const Outcome outcome = run("filler 104857\n");
    EXPECT_EQ(outcome.exitCode, 0u);
    ASSERT_EQ(outcome.out.size(), 104857u);
    EXPECT_TRUE(outcome.out == FillerText::all(104857)) << "the flood differs from FillerText::all";
}

TEST_F(DoubleTest, TicksAreNumberedAndStampedInOrder)
{
    const Outcome outcome = run("ticks 5 20\n");
    EXPECT_EQ(outcome.exitCode, 0u);
    ASSERT_EQ(outcome.out.size(), 5u * 32) << outcome.out;
    std::int64_t previous = 0;
    for (std::uint32_t i = 0; i < 5; ++i) {
        const std::string line = outcome.out.substr(i * 32, 32);
        ASSERT_EQ(line.substr(30), "\r\n");
        const auto tick = tooldouble::TickLine::parse(std::wstring(line.begin(), line.end() - 2));
        ASSERT_TRUE(tick) << line;
        EXPECT_EQ(tick->sequence, i + 1);
        EXPECT_GT(tick->printed, previous);
        previous = tick->printed;
    }
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    EXPECT_LE(previous, now.QuadPart) << "stamps should come from the counter every process shares";
}

TEST_F(DoubleTest, SleepPrintsNothingAndOneFillerLineIsOneLine)
{
    const Outcome silent = run("sleep 50\n");
    EXPECT_EQ(silent.exitCode, 0u);
    EXPECT_EQ(silent.out, "");
    const Outcome line = run("filler 64\n");
    EXPECT_EQ(line.exitCode, 0u);
    EXPECT_EQ(line.out, "filler 00000001 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n");
}

TEST_F(DoubleTest, ExitEndsTheScriptWithItsCode)
{
    EXPECT_EQ(run("exit 7\nout never\n").out, "");
    EXPECT_EQ(run("exit 7\n").exitCode, 7u);
    EXPECT_EQ(run("exit -1\n").exitCode, 0xFFFFFFFFu);
    EXPECT_EQ(run("exit 0xC0000135\n").exitCode, 0xC0000135u);
    EXPECT_EQ(run("# only a comment\n\n").exitCode, 0u);
}

TEST_F(DoubleTest, AFileCommandThatFailsEndsTheScriptWithItsCode)
{
    // In a folder that is not there, neither the file nor the record can be
    // made; the double says so and runs nothing after it.
    const Outcome touch = run("touch no such folder\\made\nout after\\r\\n\n");
    EXPECT_EQ(touch.exitCode, 6u);
    EXPECT_EQ(touch.out, "");
    EXPECT_NE(touch.err.find("line 1: cannot create"), std::string::npos) << touch.err;
    EXPECT_EQ(run("args no such folder\\args.txt\n").exitCode, 6u);
}

TEST_F(DoubleTest, CrashDiesOfAnUnhandledException)
{
    const Outcome outcome = run("out before\\r\\n\ncrash\nout after\\r\\n");
    EXPECT_EQ(outcome.exitCode, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_EQ(outcome.out.rfind("before\r\n", 0), 0u) << outcome.out;
    EXPECT_EQ(outcome.out.find("after"), std::string::npos) << outcome.out;
}

TEST_F(DoubleTest, ABadScriptFailsBeforeDoingAnything)
{
    const Outcome unknown = run("out early\ntouch made\nbogus 1\n");
    EXPECT_EQ(unknown.exitCode, 99u);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err.find(":3: unknown command 'bogus'"), std::string::npos) << unknown.err;
    EXPECT_FALSE(box_.exists(L"made"));

    EXPECT_EQ(run("out \\q\n").exitCode, 99u);
    EXPECT_EQ(run("outraw 0\n").exitCode, 99u);
    EXPECT_EQ(run("filler lots\n").exitCode, 99u);
    EXPECT_EQ(run("crash now\n").exitCode, 99u);
}

TEST_F(DoubleTest, ScriptIsFoundByOwnNameFirstThenTheCommonVariable)
{
    const std::wstring stpconv = box_.installTool(L"stpconv.exe", "out own\n");
    box_.installTool(L"burnkit.exe", "out burnkit's\n");
    const std::wstring common = box_.writeFile(L"common.script", "out common\n");

    ConsoleRunOptions both = options();
    both.environment.push_back({L"TOOLDOUBLE_SCRIPT", common});
    EXPECT_EQ(finish(stpconv, both).out, "own");

    ConsoleRunOptions onlyCommon;
    onlyCommon.environment.push_back({L"TOOLDOUBLE_SCRIPT", common});
    EXPECT_EQ(finish(stpconv, onlyCommon).out, "common");

    const Outcome none = finish(stpconv, ConsoleRunOptions());
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.exitCode, 0u);
}

TEST_F(DoubleTest, StartedAsTarrowsToolItFollowsTheScriptNotTheArguments)
{
    const Outcome asTool = run("out by the script\n", false, L"-aprogram \"Z:\\some dir\\image.hex\" filler 10");
    EXPECT_EQ(asTool.exitCode, 0u);
    EXPECT_EQ(asTool.out, "by the script");
}

TEST_F(DoubleTest, AScriptThatCannotBeReadSaysSoAndFails)
{
    const std::wstring exe = box_.installTool(L"burnkit.exe", "out never\n");
    ConsoleRunOptions missing = options();
    missing.environment.push_back({L"TOOLDOUBLE_SCRIPT_BURNKIT", box_.file(L"no such.script")});
    const Outcome outcome = finish(exe, missing);
    EXPECT_EQ(outcome.exitCode, 99u);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("no such.script:0: cannot open the script"), std::string::npos) << outcome.err;
}

TEST_F(DoubleTest, EachWriteIsInThePipeBeforeTheNextCommand)
{
    const std::wstring exe
        = box_.installTool(L"burnkit.exe", "out early\\r\\n\ntouch started\nwaitfile go\nout late\\r\\n");
    ConsoleRun process(exe, options());
    ASSERT_TRUE(process.start());
    ASSERT_TRUE(box_.waitForFile(L"started"));
    process.pump();
    EXPECT_EQ(process.out(), "early\r\n");
    EXPECT_TRUE(process.alive()) << "waitfile did not hold the double";

    box_.writeFile(L"go", "");
    ASSERT_TRUE(process.readToEnd());
    EXPECT_EQ(process.out(), "early\r\nlate\r\n");
}

TEST_F(DoubleTest, ClosestdEndsTheOutputWhileTheProcessLivesOn)
{
    const std::wstring exe = box_.installTool(L"burnkit.exe", "out last\nclosestd\nwaitfile go\nexit 4\n");
    ConsoleRun process(exe, options(true));
    ASSERT_TRUE(process.start());
    ASSERT_TRUE(process.readToEnd());
    EXPECT_EQ(process.out(), "last");
    EXPECT_TRUE(process.alive());

    box_.writeFile(L"go", "");
    ASSERT_TRUE(process.waitForExit());
    EXPECT_EQ(process.exitCode(), 4u);
}

TEST_F(DoubleTest, SpawnedCopyHoldsThePipeAfterTheDoubleExits)
{
    box_.writeFile(L"child.script", "args child-args.txt\nwaitfile release\nout child\\r\\n\n");
    const std::wstring exe
        = box_.installTool(L"burnkit.exe", "args parent-args.txt\nout parent\\r\\n\nspawn child.script\nexit 5\n");
    ConsoleRun process(exe, options(true));
    ASSERT_TRUE(process.start());
    ASSERT_TRUE(process.waitForExit());
    EXPECT_EQ(process.exitCode(), 5u);
    ASSERT_TRUE(box_.waitForFile(L"child-args.txt"));
    process.pump();
    EXPECT_FALSE(process.pipesClosed()) << "the spawned copy should still hold the pipe";
    EXPECT_EQ(process.out(), "parent\r\n");

    box_.writeFile(L"release", "");
    ASSERT_TRUE(process.readToEnd());
    EXPECT_EQ(process.out(), "parent\r\nchild\r\n");

    const auto parent = box_.args(L"parent-args.txt");
    const auto child = box_.args(L"child-args.txt");
    ASSERT_EQ(parent.size(), 1u);
    ASSERT_EQ(child.size(), 1u);
    EXPECT_EQ(child[0].exe, parent[0].exe);
    EXPECT_NE(child[0].pid, parent[0].pid);
    EXPECT_EQ(child[0].stdoutKind, "pipe");
}

class DoubleArgsTest : public testing::Test {
protected:
    DoubleArgsTest()
        : box_(SandboxOptions{true, L""})
    {
    }

    Sandbox box_;
};

TEST_F(DoubleArgsTest, RecordRoundTripsPathsWithSpacesAndChinese)
{
    ASSERT_TRUE(box_.ready());
    const std::wstring exe = box_.installTool(L"burnkit.exe", "args 参数 记录.txt\n");
    const std::wstring data = box_.file(L"固件 文件.dat");
    ConsoleRunOptions runOptions;
    runOptions.environment = box_.environment();
    runOptions.arguments = L"-aprogram \"" + data + L"\" 100%";
    runOptions.workingDirectory = box_.path();

    for (int run = 0; run < 2; ++run) {
        ConsoleRun process(exe, runOptions);
        ASSERT_TRUE(process.start());
        ASSERT_TRUE(process.waitForExit());
        ASSERT_EQ(process.exitCode(), 0u);
        const auto records = box_.args(L"参数 记录.txt");
        ASSERT_EQ(records.size(), static_cast<std::size_t>(run + 1)) << "each run appends one record";
        const e2e::ArgsRecord& record = records.back();

        EXPECT_EQ(record.pid, process.pid());
        EXPECT_EQ(record.commandLine, L"\"" + exe + L"\" " + runOptions.arguments);
        const std::vector<std::wstring> expected = {exe, L"-aprogram", data, L"100%"};
        EXPECT_EQ(record.argv, expected);
        EXPECT_EQ(record.shellArgv, expected);
        EXPECT_EQ(record.exe, exe);
        EXPECT_EQ(record.cwd, box_.path());
        EXPECT_EQ(record.stdoutKind, "pipe");
        EXPECT_EQ(record.stderrKind, "pipe");
    }
}

} // namespace
