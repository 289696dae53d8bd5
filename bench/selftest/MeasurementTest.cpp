// The benchmark's measuring pieces: the figures they give must mean what the
// table says they mean, under Wine as on Windows.
#include "HandleCensus.h"
#include "LatencyBench.h"
#include "LongLogBench.h"
#include "ProcessMeter.h"
#include "ResultTable.h"
#include "SoakBench.h"
#include "Summary.h"
#include "ThroughputBench.h"

#include <ConsoleRun.h>
#include <Sandbox.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The double run on its own in a folder of its own.
class DoubleRun {
public:
    explicit DoubleRun(const std::string& script)
        : m_box(e2e::SandboxOptions{false, L""})
    {
        e2e::ConsoleRunOptions options;
        const std::wstring tool = m_box.installTool(L"burnkit.exe", script);
        options.environment = m_box.environment();
        m_run = std::make_unique<e2e::ConsoleRun>(tool, options);
    }

    e2e::ConsoleRun& run() { return *m_run; }
    HANDLE process() const { return m_run->process().handle(); }

private:
    e2e::Sandbox m_box;
    std::unique_ptr<e2e::ConsoleRun> m_run;
};

// The double done starting up (a process still starting opens handles of
// its own): it waits for a file that never comes.
class SettledTarget : public DoubleRun {
public:
    SettledTarget()
        : DoubleRun("out ready\\r\\n\nwaitfile never\n")
    {
    }

    // Ready once it has printed, and its handle count has stopped moving:
    // under 64-bit Wine a process may still close a handle of its start-up
    // just after its first output, which a test would count as its own.
    testing::AssertionResult Start()
    {
        testing::AssertionResult started = run().start();
        if (started)
            started = run().waitForOutput("ready\r\n");
        if (started)
            HandleCensus::TakeSettled(process());
        return started;
    }

    std::vector<HANDLE> Place(HANDLE object, int count) const
    {
        std::vector<HANDLE> placed;
        for (int i = 0; i < count; ++i) {
            HANDLE copy = nullptr;
            if (::DuplicateHandle(::GetCurrentProcess(), object, process(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
                placed.push_back(copy);
        }
        return placed;
    }

    void Remove(HANDLE placed) const
    {
        HANDLE back = nullptr;
        if (::DuplicateHandle(process(), placed, ::GetCurrentProcess(), &back, 0, FALSE,
                DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE))
            const UniqueHandle owned(back);
    }
};

TEST(FloodSizeTest, FractionalMegabytesRoundDownToWholeLines)
{
    EXPECT_EQ(ThroughputBench::FloodBytes(0.001), 1024u);
    EXPECT_EQ(ThroughputBench::FloodBytes(16.000000), 16u * 1024 * 1024);
    EXPECT_EQ(ThroughputBench::FloodScript(0.001), "filler 1024\n");
}

TEST(FloodSizeTest, AMegabyteIsWholeLines)
{
    EXPECT_EQ(ThroughputBench::FloodBytes(1), 1024u * 1024);
    EXPECT_EQ(ThroughputBench::FloodBytes(1) % ThroughputBench::kLineBytes, 0u);
    EXPECT_EQ(ThroughputBench::FloodBytes(0.1) % ThroughputBench::kLineBytes, 0u);
    EXPECT_LE(ThroughputBench::FloodBytes(0.1), 104857u);
    EXPECT_GT(ThroughputBench::FloodBytes(0.1), 104857u - ThroughputBench::kLineBytes);
}

TEST(SummaryTest, PercentilesAreNearestRankSamples)
{
    std::vector<double> hundred;
    for (int i = 100; i >= 1; --i)
        hundred.push_back(i);
    const Summary summary = Summary::Of(hundred);
    EXPECT_EQ(summary.count(), 100u);
    EXPECT_EQ(summary.median(), 50);
    EXPECT_EQ(summary.p95(), 95);
    EXPECT_EQ(summary.max(), 100);

    // With 20 samples the 95th percentile is the 19th, not the largest.
    std::vector<double> twenty;
    for (int i = 1; i <= 20; ++i)
        twenty.push_back(i * 10.0);
    EXPECT_EQ(Summary::Of(twenty).p95(), 190);
    EXPECT_EQ(Summary::Of({7}).p95(), 7);
    EXPECT_EQ(Summary::Of({3, 1, 2}).median(), 2);
    EXPECT_EQ(Summary::Of({}).count(), 0u);
}

TEST(TicksInTest, ReadsWholeTickLinesFromTheOffsetOn)
{
    const std::wstring log = L"tick 00001 0000000000000000100\r\n"
                             L"开始编程\r\n"
                             L"tick 00002 0000000000000000200\r\n"
                             L"tick 00003 0000000000000000300\r\n"
                             L"tick 00004 00000000000";
    const auto all = LatencyBench::TicksIn(log, 0);
    ASSERT_EQ(all.size(), 3u) << "the cut-off last line is not a tick yet";
    EXPECT_EQ(all.at(1), 100);
    EXPECT_EQ(all.at(3), 300);

    const auto later = LatencyBench::TicksIn(log, log.find(L"tick 00002"));
    ASSERT_EQ(later.size(), 2u);
    EXPECT_EQ(later.begin()->first, 2u);
}

TEST(ResultTableTest, AMissedOrMissingGoalFailsTheRun)
{
    ResultTable table;
    table.Add("part", "info only", "1 s");
    table.AddGoal("part", "met", "1 s", "under 2 s", true);
    EXPECT_FALSE(table.AnyFailed());
    table.AddGoal("part", "missed", "3 s", "under 2 s", false);
    EXPECT_TRUE(table.AnyFailed());

    ResultTable unmeasured;
    unmeasured.AddMissing("part", "figure", "Tarrow did not start", "under 2 s");
    EXPECT_TRUE(unmeasured.AnyFailed());
    EXPECT_NE(unmeasured.Markdown().find("not measured: Tarrow did not start"), std::string::npos);
}

TEST(ResultTableTest, PrintsOneMarkdownRowPerFigure)
{
    ResultTable table;
    table.Add("throughput", "reader | 1 MB", "0.1 s");
    table.AddGoal("throughput", "ratio", "1.5x", "at most 2x", true);
    table.AddGoal("latency", "p95", "400 ms", "at most 300 ms", false);
    table.Note("a note");
    const std::string text = table.Markdown();
    EXPECT_NE(text.find("| throughput | reader \\| 1 MB | 0.1 s |  |  |\n"), std::string::npos) << text;
    EXPECT_NE(text.find("|  | ratio | 1.5x | at most 2x | PASS |\n"), std::string::npos) << text;
    EXPECT_NE(text.find("| latency | p95 | 400 ms | at most 300 ms | FAIL |\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n- a note\n"), std::string::npos) << text;
    table.Note("a note");
    EXPECT_EQ(table.Markdown(), text) << "a note given twice is printed once";
}

TEST(ResultTableTest, SaysHowManyGoalsHoldAndWhichAreMissed)
{
    ResultTable table;
    table.Add("throughput", "reader", "0.1 s");
    table.AddGoal("throughput", "against the reader", "1.2x", "at most 1.3x", true);
    table.AddGoal("latency", "p95", "400 ms", "at most 300 ms", false);
    table.AddMissing("soak", "handles", "Tarrow did not start", "no growth");
    const std::string text = table.Verdicts();
    EXPECT_EQ(text.rfind("Goals: 1 of 3 hold.\n", 0), 0u) << text;
    EXPECT_NE(text.find("holds:  throughput, against the reader: 1.2x (goal: at most 1.3x)\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("MISSED: latency, p95: 400 ms (goal: at most 300 ms)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("MISSED: soak, handles: not measured"), std::string::npos) << text;
    EXPECT_EQ(text.find("reader: 0.1 s"), std::string::npos) << "a figure without a goal is no verdict";
}

TEST(LongLogBenchTest, TheMemoryGoalIsOnTheWholeGrowth)
{
    constexpr double kMB = 1024.0 * 1024.0;
    const struct {
        double growthMB;
        double textMB;
        bool met;
    } cases[] = {
        {992, 512, false}, // one string doubling as it grows: 1.94 bytes a byte
        {656, 512, true}, // 1.25 bytes a byte and the whole allowance
        {657, 512, false},
        {20, 4, true}, // 5 bytes a byte, but a small log: within the allowance
        {17, 0, false}, // the log kept nothing, and Tarrow grew anyway
        {-3, 0, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LongLogBench::MemoryGoalMet(c.growthMB * kMB, c.textMB * kMB), c.met)
            << c.growthMB << " MB for " << c.textMB << " MB of text";
}

TEST(ProcessMeterTest, TheLargestAllocationCountsItsRegionsTogether)
{
    const auto region = [](std::uintptr_t base, std::uintptr_t allocation, std::size_t size, DWORD state, DWORD type) {
        MEMORY_BASIC_INFORMATION info{};
        info.BaseAddress = reinterpret_cast<void*>(base);
        info.AllocationBase = reinterpret_cast<void*>(allocation);
        info.RegionSize = size;
        info.State = state;
        info.Type = state == MEM_FREE ? 0 : type;
        return info;
    };
    constexpr std::size_t kMB = 1024 * 1024;
    const struct {
        const char* what;
        std::vector<MEMORY_BASIC_INFORMATION> regions;
        std::size_t largest;
    } cases[] = {
        {"nothing", {}, 0},
        {"one region", {region(0x10000000, 0x10000000, 5 * kMB, MEM_COMMIT, MEM_PRIVATE)}, 5 * kMB},
        {"one allocation in three regions, reserved in the middle",
            {region(0x10000000, 0x10000000, 3 * kMB, MEM_COMMIT, MEM_PRIVATE),
                region(0x10300000, 0x10000000, 1 * kMB, MEM_RESERVE, MEM_PRIVATE),
                region(0x10400000, 0x10000000, 4 * kMB, MEM_COMMIT, MEM_PRIVATE)},
            7 * kMB},
        {"two allocations side by side",
            {region(0x10000000, 0x10000000, 3 * kMB, MEM_COMMIT, MEM_PRIVATE),
                region(0x10300000, 0x10300000, 4 * kMB, MEM_COMMIT, MEM_PRIVATE)},
            4 * kMB},
        {"images and mappings are not private",
            {region(0x10000000, 0x10000000, 2 * kMB, MEM_COMMIT, MEM_PRIVATE),
                region(0x20000000, 0x20000000, 9 * kMB, MEM_COMMIT, MEM_IMAGE),
                region(0x30000000, 0x30000000, 8 * kMB, MEM_COMMIT, MEM_MAPPED)},
            2 * kMB},
        {"a free gap ends an allocation",
            {region(0x10000000, 0x10000000, 3 * kMB, MEM_COMMIT, MEM_PRIVATE),
                region(0x10300000, 0, 1 * kMB, MEM_FREE, 0),
                region(0x10400000, 0x10400000, 2 * kMB, MEM_COMMIT, MEM_PRIVATE)},
            3 * kMB},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProcessMeter::LargestPrivateAllocation(c.regions), c.largest) << c.what;
}

TEST(HandleCensusTest, SeesEveryHandleAProcessLeaks)
{
    std::string error;
    const std::optional<int> seen = SoakBench::LeakSeen(50, error);
    ASSERT_TRUE(seen) << error;
    EXPECT_EQ(*seen, 50);
}

TEST(HandleCensusTest, ProbeCountsHandlesPutIntoAndTakenFromAProcess)
{
    SettledTarget target;
    ASSERT_TRUE(target.Start());
    const unsigned before = HandleCensus::Probe(target.process());
    ASSERT_GT(before, 0u);

    const UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const std::vector<HANDLE> placed = target.Place(event.get(), 20);
    ASSERT_EQ(placed.size(), 20u);
    EXPECT_EQ(HandleCensus::Probe(target.process()), before + 20);

    for (HANDLE copy : placed)
        target.Remove(copy);
    EXPECT_EQ(HandleCensus::Probe(target.process()), before);
}

TEST(HandleCensusTest, ProbeLooksPastAGapInTheTable)
{
    // Handles closed low in the table leave holes; the ones above still count.
    SettledTarget target;
    ASSERT_TRUE(target.Start());
    const UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const std::vector<HANDLE> placed = target.Place(event.get(), 40);
    ASSERT_EQ(placed.size(), 40u);
    const unsigned full = HandleCensus::Probe(target.process());
    for (size_t i = 0; i + 1 < placed.size(); ++i)
        target.Remove(placed[i]);
    EXPECT_EQ(HandleCensus::Probe(target.process()), full - 39);
}

TEST(ProcessMeterTest, SeesTheWorkAndMemoryOfAnotherProcess)
{
    // The flood keeps writing into a pipe nobody reads once it is full, so
    // after a first large read it is alive, blocked, and has done real work.
    DoubleRun busy(ThroughputBench::FloodScript(512));
    ASSERT_TRUE(busy.run().start());
    ProcessMeter meter(busy.process(), busy.run().pid());
    const std::optional<double> before = meter.CpuSeconds();
    ASSERT_TRUE(before);
    const std::uint64_t read = busy.run().outPipe().readToEnd(64 * 1024, nullptr, 64 * 1024 * 1024);
    ASSERT_EQ(read, 64u * 1024 * 1024);
    const std::optional<double> after = meter.CpuSeconds();
    ASSERT_TRUE(after);
    EXPECT_GT(*after, *before) << "producing 64 MB costs the producer CPU time";

    const std::optional<std::size_t> memory = meter.PrivateBytes();
    ASSERT_TRUE(memory);
    EXPECT_GE(*memory, 64u * 1024) << "the double's own 64 KB buffer is private memory";
}

TEST(ProcessMeterTest, PrivateMemoryGrowsWithWhatTheProcessCommits)
{
    SettledTarget target;
    ASSERT_TRUE(target.Start());
    const ProcessMeter meter(target.process(), target.run().pid());
    const std::optional<std::size_t> before = meter.PrivateBytes();
    ASSERT_TRUE(before);

    constexpr std::size_t kCommitted = 8 * 1024 * 1024;
    void* block = ::VirtualAllocEx(target.process(), nullptr, kCommitted, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_TRUE(block);
    const std::optional<std::size_t> after = meter.PrivateBytes();
    ::VirtualFreeEx(target.process(), block, 0, MEM_RELEASE);
    ASSERT_TRUE(after);
    EXPECT_GE(*after, *before + kCommitted);
    EXPECT_LT(*after, *before + 2 * kCommitted) << "a region counted once";
    const std::optional<std::size_t> freed = meter.PrivateBytes();
    ASSERT_TRUE(freed);
    EXPECT_LT(*freed, *after);
}

TEST(ProcessMeterTest, TheLargestBlockIsOneAllocationWithPartsProtectedApart)
{
    // Two halves of one reservation committed with different protection
    // show as two regions; the meter sees one block of both.
    SettledTarget target;
    ASSERT_TRUE(target.Start());
    const ProcessMeter meter(target.process(), target.run().pid());
    constexpr std::size_t kHalf = 48 * 1024 * 1024;
    char* block
        = static_cast<char*>(::VirtualAllocEx(target.process(), nullptr, 2 * kHalf, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_TRUE(block);
    const bool committed = ::VirtualAllocEx(target.process(), block, kHalf, MEM_COMMIT, PAGE_READWRITE)
        && ::VirtualAllocEx(target.process(), block + kHalf, kHalf, MEM_COMMIT, PAGE_READONLY);
    const std::optional<std::size_t> largest = meter.LargestCommittedPrivate();
    ::VirtualFreeEx(target.process(), block, 0, MEM_RELEASE);
    ASSERT_TRUE(committed);
    ASSERT_TRUE(largest);
    EXPECT_EQ(*largest, 2 * kHalf);
}

} // namespace
