// The driver's command line.
#include "BenchArguments.h"

#include <gtest/gtest.h>

namespace {

struct Parsed {
    bool ok = false;
    BenchSettings settings;
    std::set<std::wstring> parts;
    std::wstring wrong;
};

Parsed Parse(const std::vector<std::wstring>& arguments)
{
    Parsed parsed;
    parsed.settings.baselineExe = L"Z:\\bin\\TarrowEditLog.exe";
    parsed.ok = BenchArguments::Parse(arguments, parsed.settings, parsed.parts, parsed.wrong);
    return parsed;
}

TEST(BenchArgumentsTest, NoPartMeansEveryPart)
{
    const Parsed parsed = Parse({});
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.parts, BenchArguments::AllParts());
    EXPECT_EQ(parsed.parts.size(), 7u);
}

TEST(BenchArgumentsTest, EachPartByTheNameTheDocumentsGive)
{
    // bench/run and docs/performance.md spell them so.
    for (const wchar_t* part :
        {L"throughput", L"responsiveness", L"latency", L"idle", L"soak", L"profile", L"longlog"}) {
        const Parsed parsed = Parse({part});
        ASSERT_TRUE(parsed.ok) << testing::PrintToString(std::wstring(part));
        EXPECT_EQ(parsed.parts, std::set<std::wstring>{part});
    }
}

TEST(BenchArgumentsTest, NamedPartsOnly)
{
    const Parsed parsed = Parse({L"latency", L"throughput", L"latency"});
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.parts, (std::set<std::wstring>{L"latency", L"throughput"}));
}

TEST(BenchArgumentsTest, OptionsChangeTheSettings)
{
    const Parsed parsed = Parse({L"soak", L"--sizes=0.5,2,8", L"--deadline=1.5", L"--soak-runs=20", L"--profile-mb=3",
        L"--longlog-mb=300", L"--repeat=5", L"--tarrow=Z:\\other\\Tarrow.exe", L"--baseline=none"});
    ASSERT_TRUE(parsed.ok) << testing::PrintToString(parsed.wrong);
    EXPECT_EQ(parsed.parts, std::set<std::wstring>{L"soak"});
    EXPECT_EQ(parsed.settings.floodMegabytes, (std::vector<double>{0.5, 2, 8}));
    EXPECT_EQ(parsed.settings.floodDeadlineMs, 1500u);
    EXPECT_EQ(parsed.settings.soakRuns, 20u);
    EXPECT_EQ(parsed.settings.repeat, 5u);
    EXPECT_EQ(parsed.settings.profileMegabytes, 3);
    EXPECT_EQ(parsed.settings.longLogMegabytes, 300);
    EXPECT_EQ(parsed.settings.tarrowExe, L"Z:\\other\\Tarrow.exe");
    EXPECT_EQ(parsed.settings.baselineExe, L"");
}

TEST(BenchArgumentsTest, RefusesWhatItCannotUseAndSaysWhich)
{
    for (const wchar_t* wrong : {L"throughputs", L"--sizes=", L"--sizes=1,,4", L"--sizes=1,x", L"--sizes=-1",
             L"--deadline=0", L"--deadline=soon", L"--soak-runs=2.5", L"--soak-runs=0", L"--profile-mb=",
             L"--longlog-mb=0", L"--repeat=0", L"--tarrow=", L"--baseline=", L"--verbose"}) {
        const Parsed parsed = Parse({L"idle", wrong});
        EXPECT_FALSE(parsed.ok) << testing::PrintToString(std::wstring(wrong));
        EXPECT_EQ(parsed.wrong, wrong);
    }
}

TEST(BenchArgumentsTest, AFloodBeyondSixteenMegabytesGetsTimeInProportion)
{
    const Parsed parsed = Parse({L"--deadline=2"});
    ASSERT_TRUE(parsed.ok);
    const struct {
        double megabytes;
        DWORD deadlineMs;
    } cases[] = {{0.05, 2000}, {1, 2000}, {16, 2000}, {32, 4000}, {256, 32000}};
    for (const auto& c : cases)
        EXPECT_EQ(parsed.settings.FloodDeadlineMs(c.megabytes), c.deadlineMs) << c.megabytes << " MB";
}

TEST(BenchArgumentsTest, ABadSizeListLeavesTheSizesAlone)
{
    Parsed parsed = Parse({L"--sizes=2,oops"});
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.settings.floodMegabytes, (std::vector<double>{1, 4, 16}));
}

} // namespace
