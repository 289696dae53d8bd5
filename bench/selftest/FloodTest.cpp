// flood.exe and its modes: what the benchmarks count on it to print.
#include "FloodMode.h"
#include "FloodProcess.h"
#include "FloodText.h"
#include "LatencyBench.h"

#include <BuildTree.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring FloodExe()
{
    return e2e::BuildTree::binDirectory() + L"\\flood.exe";
}

struct Finished {
    std::string output;
    std::optional<DWORD> exitCode;
};

Finished RunFlood(const std::wstring& mode, const std::wstring& arguments = {})
{
    FloodProcess flood(FloodExe(), mode, false, arguments);
    std::string error;
    if (!flood.Start(error)) {
        ADD_FAILURE() << error;
        return {};
    }
    Finished finished;
    finished.output = flood.ReadAll();
    finished.exitCode = flood.WaitForExit(20000);
    return finished;
}

TEST(FloodModeTest, ReadsEveryMode)
{
    const auto flood = FloodMode::Parse(L"flood:16");
    ASSERT_TRUE(flood);
    EXPECT_EQ(flood->kind(), FloodMode::Kind::Flood);
    EXPECT_EQ(flood->bytes(), 16u * 1024 * 1024);

    const auto ticks = FloodMode::Parse(L"ticks:100:10000");
    ASSERT_TRUE(ticks);
    EXPECT_EQ(ticks->kind(), FloodMode::Kind::Ticks);
    EXPECT_EQ(ticks->intervalMs(), 100u);
    EXPECT_EQ(ticks->durationMs(), 10000u);
    EXPECT_EQ(ticks->count(), 100u);

    const auto silent = FloodMode::Parse(L"silent:10000");
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent->kind(), FloodMode::Kind::Silent);
    EXPECT_EQ(silent->durationMs(), 10000u);

    const auto line = FloodMode::Parse(L"line");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->kind(), FloodMode::Kind::Line);

    const auto leak = FloodMode::Parse(L"leak:64");
    ASSERT_TRUE(leak);
    EXPECT_EQ(leak->kind(), FloodMode::Kind::Leak);
    EXPECT_EQ(leak->count(), 64u);
}

TEST(FloodModeTest, FractionalMegabytesRoundDownToWholeLines)
{
    const auto flood = FloodMode::Parse(L"flood:0.001");
    ASSERT_TRUE(flood);
    EXPECT_EQ(flood->bytes(), 1024u);
    EXPECT_EQ(FloodMode::Parse(L"flood:16.000000")->bytes(), 16u * 1024 * 1024);
}

TEST(FloodModeTest, RefusesWhatItCannotDoExactly)
{
    for (const wchar_t* wrong : {L"", L"flood", L"flood:", L"flood:0", L"flood:-1", L"flood:16MB", L"flood:1e9",
             L"flood:0.00001", L"ticks:100", L"ticks:100:50", L"ticks:0:100", L"ticks:x:100", L"silent", L"silent:-5",
             L"line:1", L"leak:0", L"leak:", L"Flood:1", L"flood:1:2", L"-aprogram"}) {
        EXPECT_FALSE(FloodMode::Parse(wrong)) << testing::PrintToString(std::wstring(wrong));
    }
}

TEST(FloodTextTest, LinesAreNumberedFixedWidthAndEndInCrLf)
{
    const std::string first = FloodText::Line(1);
    ASSERT_EQ(first.size(), FloodText::kLineBytes);
    EXPECT_EQ(first.substr(0, 15), "flood 00000001 ");
    EXPECT_EQ(first.substr(62), "\r\n");
    EXPECT_EQ(first.find('\r'), 62u);
    EXPECT_EQ(FloodText::Line(12345678).substr(0, 15), "flood 12345678 ");
    EXPECT_NE(FloodText::Line(2).substr(15), first.substr(15)) << "neighbouring lines should differ";

    std::string three(3 * FloodText::kLineBytes, '\0');
    FloodText::Lines(7, 3, three.data());
    EXPECT_EQ(three, FloodText::Line(7) + FloodText::Line(8) + FloodText::Line(9));
}

TEST(FloodTextTest, AMegabyteIsWholeLines)
{
    EXPECT_EQ(FloodText::BytesFor(1), 1024u * 1024);
    EXPECT_EQ(FloodText::BytesFor(1) % FloodText::kLineBytes, 0u);
    EXPECT_EQ(FloodText::BytesFor(0.1) % FloodText::kLineBytes, 0u);
    EXPECT_LE(FloodText::BytesFor(0.1), 104857u);
    EXPECT_GT(FloodText::BytesFor(0.1), 104857u - FloodText::kLineBytes);
}

TEST(FloodToolTest, FloodPrintsExactlyTheNumberedLinesInOrder)
{
    // 0.1 MB is not a whole number of 64 KB writes: the last one is short.
    const Finished run = RunFlood(L"flood:0.1");
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    const std::uint64_t bytes = FloodText::BytesFor(0.1);
    ASSERT_EQ(run.output.size(), bytes);
    for (std::uint32_t line = 1; line <= bytes / FloodText::kLineBytes; ++line) {
        ASSERT_EQ(
            run.output.compare((line - 1) * FloodText::kLineBytes, FloodText::kLineBytes, FloodText::Line(line)), 0)
            << "line " << line;
    }
}

TEST(FloodToolTest, TakesTheModeFromTheEnvironmentWhenStartedAsTarrowsTool)
{
    const Finished asTool = RunFlood(L"line", L"-aprogram \"Z:\\some dir\\image.hex\"");
    EXPECT_EQ(asTool.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(asTool.output, FloodText::Line(1));

    const Finished byHand = RunFlood(L"silent:60000", L"line");
    EXPECT_EQ(byHand.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(byHand.output, FloodText::Line(1)) << "a mode on the command line wins";
}

TEST(FloodToolTest, TicksAreNumberedAndStampedInOrder)
{
    const Finished run = RunFlood(L"ticks:20:100");
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    const std::wstring text(run.output.begin(), run.output.end());
    const std::map<unsigned, long long> ticks = LatencyBench::TicksIn(text, 0);
    ASSERT_EQ(ticks.size(), 5u) << run.output;
    unsigned expected = 1;
    long long previous = 0;
    for (const auto& [sequence, printed] : ticks) {
        EXPECT_EQ(sequence, expected++);
        EXPECT_GT(printed, previous);
        previous = printed;
    }
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    EXPECT_LE(previous, now.QuadPart) << "stamps should come from the counter every process shares";
}

TEST(FloodToolTest, SilentAndLineModes)
{
    const Finished silent = RunFlood(L"silent:50");
    EXPECT_EQ(silent.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(silent.output, "");

    const Finished line = RunFlood(L"line");
    EXPECT_EQ(line.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(line.output, FloodText::Line(1));
}

TEST(FloodToolTest, WithoutAModeItSaysSoAndFails)
{
    const Finished run = RunFlood(L"nonsense");
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(2));
    EXPECT_NE(run.output.find("FLOOD_MODE"), std::string::npos) << run.output;
}

} // namespace
