// The benchmark's machinery against the real Tarrow: what the figures are
// built from must hold before any figure means anything.
#include "BenchFolder.h"
#include "BenchSettings.h"
#include "ProbeSession.h"
#include "TarrowInstance.h"
#include "ThroughputBench.h"

#include <BuildTree.h>
#include <FloodText.h>
#include <OwnedHandle.h>
#include <Wait.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

namespace {

BenchSettings Settings()
{
    BenchSettings settings;
    const std::wstring bin = e2e::BuildTree::binDirectory();
    settings.tarrowExe = bin + L"\\Tarrow.exe";
    settings.floodExe = bin + L"\\flood.exe";
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
    EXPECT_DOUBLE_EQ(shown.megabytesShown, static_cast<double>(FloodText::BytesFor(0.05)) / (1024 * 1024));
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
        const std::optional<double> seconds = ThroughputBench::ReaderSeconds(Settings().floodExe, 0.5, 1024, peekFirst);
        ASSERT_TRUE(seconds) << (peekFirst ? "peeking first" : "plain reads");
        EXPECT_GT(*seconds, 0);
    }
}

TEST(AgainstTarrowTest, TheProbeInsideTarrowSeesEveryTickGoIntoTheLog)
{
    const BenchSettings settings = Settings();
    BenchFolder folder(settings.tarrowExe, settings.floodExe);
    ASSERT_TRUE(folder.ready()) << folder.error();
    TarrowInstance tarrow(folder.tarrowPath(), {{L"FLOOD_MODE", L"ticks:20:200"}});
    std::string error;
    ASSERT_TRUE(tarrow.Start(error)) << error;
    ASSERT_TRUE(tarrow.SetFile(folder.imagePath()));

    ProbeSession probe;
    ASSERT_TRUE(probe.Attach(tarrow.processId(), tarrow.guiThreadId(), tarrow.log(), error)) << error;
    probe.ReadTicks();
    ASSERT_TRUE(tarrow.ClickProgram());
    ASSERT_TRUE(tarrow.WaitForRunStart(std::chrono::milliseconds(20000)));
    ASSERT_TRUE(tarrow.WaitForRunEnd(std::chrono::milliseconds(30000)));

    const benchprobe::Layout& seen = probe.layout();
    ASSERT_EQ(seen.ticksSeen, 10);
    for (LONG i = 0; i < seen.ticksSeen; ++i) {
        EXPECT_EQ(seen.ticks[i].sequence, static_cast<std::uint32_t>(i + 1));
        EXPECT_GE(seen.ticks[i].shown, seen.ticks[i].printed) << "a line cannot be in the log before it was printed";
    }
    // Ticks that arrive between two of Tarrow's looks at the pipe share an
    // append; the closing line break always has one of its own.
    EXPECT_GE(seen.costs[benchprobe::kReplaceSel].count, 2);
    // The ten lines, the run's closing line break, nothing else.
    EXPECT_EQ(seen.charsAppended, 10 * 32 + 2);
}

TEST(AgainstTarrowTest, ATarrowEndedMidFloodTakesItsToolAlong)
{
    // The tool holds its own pipe's read end (Tarrow hands it on), so
    // nothing but the benchmark would ever end a tool cut off mid-flood.
    const BenchSettings settings = Settings();
    BenchFolder folder(settings.tarrowExe, settings.floodExe);
    ASSERT_TRUE(folder.ready()) << folder.error();
    std::vector<testkit::OwnedHandle> tools;
    {
        TarrowInstance tarrow(folder.tarrowPath(), {{L"FLOOD_MODE", L"flood:512"}});
        std::string error;
        ASSERT_TRUE(tarrow.Start(error)) << error;
        ASSERT_TRUE(tarrow.SetFile(folder.imagePath()));
        ASSERT_TRUE(tarrow.ClickProgram());
        ASSERT_TRUE(e2e::waitUntil([&] { return tarrow.LogLength().value_or(0) > 16 * 1024; }));

        testkit::OwnedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
             more = ::Process32NextW(snapshot.get(), &entry)) {
            if (entry.th32ParentProcessID == tarrow.processId())
                tools.emplace_back(::OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
        }
        ASSERT_EQ(tools.size(), 1u) << "Tarrow runs one tool at a time";
    }
    EXPECT_EQ(::WaitForSingleObject(tools.front().get(), 0), WAIT_OBJECT_0);
}

} // namespace
