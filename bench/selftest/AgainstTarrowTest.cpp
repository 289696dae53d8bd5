// The benchmark's machinery against the real Tarrow: what the figures are
// built from must hold before any figure means anything.
#include "BenchSettings.h"
#include "BenchTarrow.h"
#include "ThroughputBench.h"

#include <BuildTree.h>

#include <gtest/gtest.h>

namespace {

BenchSettings Settings()
{
    BenchSettings settings;
    settings.tarrowExe = e2e::BuildTree::tarrowExe();
    // Generous: only a stuck Tarrow should ever run into it.
    settings.floodDeadlineMs = 60000;
    return settings;
}

TEST(AgainstTarrowTest, AFloodIsSeenWhenAllOfItIsInTheLog)
{
    const BenchSettings settings = Settings();
    // 0.05 MB: a few dozen 1 KB chunks through Tarrow's loop, fast even with
    // the standard edit control.
    const ThroughputBench::FloodShown shown = ThroughputBench::ShowFlood(settings, settings.tarrowExe, 0.05, true);
    ASSERT_EQ(shown.error, "");
    ASSERT_TRUE(shown.complete);
    EXPECT_DOUBLE_EQ(shown.megabytesShown, static_cast<double>(ThroughputBench::FloodBytes(0.05)) / (1024 * 1024));
    EXPECT_GT(shown.seconds, 0);
    EXPECT_FALSE(shown.pingsMs.empty()) << "the window was pinged while the flood came in";
}

TEST(AgainstTarrowTest, ASeriesReportsItsMedianRun)
{
    const BenchSettings settings = Settings();
    const ThroughputBench::Series series = ThroughputBench::ShowFloods(settings, settings.tarrowExe, 0.05, 3);
    ASSERT_EQ(series.median.error, "");
    ASSERT_TRUE(series.median.complete);
    EXPECT_EQ(series.runs, 3u);
    EXPECT_LE(series.fastest, series.median.seconds);
    EXPECT_LE(series.median.seconds, series.slowest);
}

TEST(AgainstTarrowTest, ASeriesStopsAtARunThatMissesTheDeadline)
{
    BenchSettings settings = Settings();
    settings.floodDeadlineMs = 1;
    const ThroughputBench::Series series = ThroughputBench::ShowFloods(settings, settings.tarrowExe, 64, 3);
    EXPECT_EQ(series.runs, 1u);
    EXPECT_FALSE(series.median.complete);
    EXPECT_LT(series.median.megabytesShown, 64);
}

TEST(AgainstTarrowTest, TheReadersReadTheWholeFlood)
{
    // Each gives a time only if every byte of the flood came through.
    for (const bool peekFirst : {false, true}) {
        const std::optional<double> seconds = ThroughputBench::ReaderSeconds(0.5, 1024, peekFirst);
        ASSERT_TRUE(seconds) << (peekFirst ? "peeking first" : "plain reads");
        EXPECT_GT(*seconds, 0);
    }
}

TEST(AgainstTarrowTest, TheProbeInsideTarrowSeesEveryTickGoIntoTheLog)
{
    BenchTarrow tarrow(Settings().tarrowExe, "ticks 10 20\n");
    ASSERT_EQ(tarrow.error(), "");
    e2e::Probe& inside = tarrow.app().probe();
    ASSERT_TRUE(inside.watch(tarrow.app().log()));
    inside.readTicks();
    ASSERT_TRUE(tarrow.clickProgram());
    ASSERT_TRUE(tarrow.waitForRunStart(std::chrono::milliseconds(20000)));
    ASSERT_TRUE(tarrow.waitForRunEnd(std::chrono::milliseconds(30000)));

    const probe::Layout& seen = inside.layout();
    ASSERT_EQ(seen.ticksSeen, 10);
    for (LONG i = 0; i < seen.ticksSeen; ++i) {
        EXPECT_EQ(seen.ticks[i].sequence, static_cast<std::uint32_t>(i + 1));
        EXPECT_GE(seen.ticks[i].shown, seen.ticks[i].printed) << "a line cannot be in the log before it was printed";
    }
    // Ticks that arrive between two of Tarrow's looks at the pipe share an
    // append; the closing line break always has one of its own.
    EXPECT_GE(seen.costs[probe::kReplaceSel].count, 2);
    // The ten lines, the run's closing line break, nothing else.
    EXPECT_EQ(seen.charsAppended, 10 * 32 + 2);
}

TEST(AgainstTarrowTest, ATarrowEndedMidFloodTakesItsToolAlong)
{
    // Nothing but the benchmark would end a tool cut off mid-flood that
    // never sees its pipe break.
    std::vector<e2e::Process> tools;
    {
        BenchTarrow tarrow(Settings().tarrowExe, ThroughputBench::FloodScript(512));
        ASSERT_EQ(tarrow.error(), "");
        ASSERT_TRUE(tarrow.clickProgram());
        ASSERT_TRUE(e2e::waitUntil([&] { return tarrow.app().logLength().value_or(0) > 16 * 1024; }));
        const e2e::Process tarrowProcess(tarrow.app().pid());
        tools = tarrowProcess.children();
        ASSERT_EQ(tools.size(), 1u) << "Tarrow runs one tool at a time";
    }
    EXPECT_FALSE(tools.front().alive());
}

} // namespace
