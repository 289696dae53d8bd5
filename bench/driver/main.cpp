// tarrow_bench: measures how Tarrow keeps up while its tool talks, and prints
// one Markdown table and which goals hold. Runs under Wine (or on Windows)
// beside Tarrow.exe, the tool double and the probe; see bench/run and
// docs/performance.md.
//
//   tarrow_bench [part...] [--tarrow=EXE] [--baseline=EXE|none] [--sizes=1,4,16]
//                [--repeat=N] [--deadline=SECONDS] [--soak-runs=N] [--profile-mb=MB]
//                [--longlog-mb=MB]
//
// Parts: throughput responsiveness latency idle soak profile longlog; without
// any, all of them. Exit code 0 if every goal was met, 1 if one was missed, 2 if
// the benchmark could not run.
#include "BenchArguments.h"
#include "BenchSettings.h"
#include "IdleBench.h"
#include "LatencyBench.h"
#include "LongLogBench.h"
#include "ProfileBench.h"
#include "ResultTable.h"
#include "SoakBench.h"
#include "ThroughputBench.h"

#include <BuildTree.h>
#include <Encoding.h>

#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring bin = e2e::BuildTree::binDirectory();
    BenchSettings settings;
    settings.tarrowExe = bin + L"\\Tarrow.exe";
    settings.baselineExe = bin + L"\\TarrowEditLog.exe";
    if (!Exists(settings.baselineExe))
        settings.baselineExe.clear();

    std::set<std::wstring> parts;
    std::wstring wrong;
    if (!BenchArguments::Parse(std::vector<std::wstring>(argv + 1, argv + argc), settings, parts, wrong)) {
        std::fprintf(stderr, "tarrow_bench: cannot use '%s'\n%s", testkit::encoding::toUtf8(wrong).c_str(),
            BenchArguments::Usage());
        return 2;
    }
    for (const std::wstring& program :
        {settings.tarrowExe, e2e::BuildTree::toolDoubleExe(), e2e::BuildTree::probeDll(), settings.baselineExe}) {
        if (!program.empty() && !Exists(program)) {
            std::fprintf(stderr, "tarrow_bench: %s is missing\n", testkit::encoding::toUtf8(program).c_str());
            return 2;
        }
    }

    ResultTable table;
    const bool throughput = parts.count(L"throughput") > 0;
    const bool responsiveness = parts.count(L"responsiveness") > 0;
    if (throughput || responsiveness)
        ThroughputBench(settings, table).Run(throughput, responsiveness);
    if (parts.count(L"latency"))
        LatencyBench(settings, table).Run();
    if (parts.count(L"idle"))
        IdleBench(settings, table).Run();
    if (parts.count(L"soak"))
        SoakBench(settings, table).Run();
    if (parts.count(L"profile"))
        ProfileBench(settings, table).Run();
    if (parts.count(L"longlog"))
        LongLogBench(settings, table).Run();

    table.Note("Tarrow: " + testkit::encoding::toUtf8(settings.tarrowExe) + "; baseline: "
        + (settings.baselineExe.empty() ? std::string("none") : testkit::encoding::toUtf8(settings.baselineExe)) + ".");
    const std::string text = table.Markdown() + "\n" + table.Verdicts();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return table.AnyFailed() ? 1 : 0;
}
