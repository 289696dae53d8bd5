#include "SoakBench.h"

#include "BenchClock.h"
#include "BenchTarrow.h"
#include "Format.h"
#include "HandleCensus.h"
#include "ProcessMeter.h"

#include <ConsoleRun.h>

#include <cstdio>

namespace {

const char* const kPart = "soak";

// The tool of every run: one line of 64 bytes.
constexpr std::size_t kLineBytes = 64;

// One run: click, then wait until the line and the run's closing line break
// are in the log and the button is back.
bool OneRun(BenchTarrow& tarrow)
{
    const std::optional<std::size_t> before = tarrow.app().logLength();
    if (!before || !tarrow.clickProgram())
        return false;
    const std::size_t target = *before + kLineBytes + 2;
    return e2e::waitUntil(
        [&] {
            const std::optional<std::size_t> length = tarrow.app().logLength();
            return length && *length >= target && tarrow.programEnabled();
        },
        std::chrono::milliseconds(30000), std::chrono::milliseconds(2));
}

std::string Kilobytes(double bytes)
{
    return Format("%.0f KB", bytes / 1024.0);
}

} // namespace

std::optional<int> SoakBench::LeakSeen(unsigned leak, std::string& error)
{
    // The double is counted while it waits for a file, which opens no handle.
    e2e::SandboxOptions withoutTarrow;
    withoutTarrow.tarrowName.clear();
    e2e::Sandbox box(withoutTarrow);
    const std::wstring tool = box.installTool(L"burnkit.exe",
        "out ready\\r\\n\nwaitfile go\nleak " + std::to_string(leak) + "\nout leaked\\r\\n\nwaitfile done\n");
    e2e::ConsoleRunOptions options;
    options.environment = box.environment();
    e2e::ConsoleRun leaker(tool, options);
    testing::AssertionResult ready = leaker.start();
    if (ready)
        ready = leaker.waitForOutput("ready\r\n");
    if (!ready) {
        error = std::string("the leaking process did not get ready: ") + ready.message();
        return std::nullopt;
    }
    const std::optional<HandleCensus::Count> before = HandleCensus::TakeSettled(leaker.process().handle());
    box.writeFile(L"go", "");
    if (testing::AssertionResult leaked = leaker.waitForOutput("leaked\r\n"); !leaked) {
        error = std::string("the leaking process did not leak: ") + leaked.message();
        return std::nullopt;
    }
    const std::optional<HandleCensus::Count> after = HandleCensus::TakeSettled(leaker.process().handle());
    box.writeFile(L"done", "");
    if (!before || !after) {
        error = "no handle count";
        return std::nullopt;
    }
    return static_cast<int>(after->handles) - static_cast<int>(before->handles);
}

void SoakBench::Run()
{
    std::fprintf(stderr, "soak: checking the handle count on a process that leaks %u\n", kLeakedForCheck);
    std::string error;
    const std::optional<int> seen = LeakSeen(kLeakedForCheck, error);
    const std::string checkMeasure = Format("handle count check: a process leaking %u handles", kLeakedForCheck);
    const std::string checkGoal = Format("+%u seen", kLeakedForCheck);
    if (!seen)
        m_table.AddMissing(kPart, checkMeasure, error, checkGoal);
    else
        m_table.AddGoal(
            kPart, checkMeasure, Format("%+d seen", *seen), checkGoal, *seen == static_cast<int>(kLeakedForCheck));

    const std::string handleMeasure = Format("Tarrow's handles, before and after %u runs", m_settings.soakRuns);
    const std::string memoryMeasure = Format("Tarrow's private memory, before and after %u runs", m_settings.soakRuns);
    const char* const handleGoal = "no growth";
    const char* const memoryGoal = "growth beyond the log's text under 1 MB";

    BenchTarrow tarrow(m_settings.tarrowExe, "filler " + std::to_string(kLineBytes) + "\n");
    error = tarrow.error();
    for (unsigned run = 0; error.empty() && run < kWarmUpRuns; ++run) {
        if (!OneRun(tarrow))
            error = "a warm-up run did not finish";
    }
    if (!error.empty()) {
        m_table.AddMissing(kPart, handleMeasure, error, handleGoal);
        m_table.AddMissing(kPart, memoryMeasure, error, memoryGoal);
        return;
    }

    const ProcessMeter meter(tarrow.app().process(), tarrow.app().pid());
    const std::optional<HandleCensus::Count> handlesBefore = HandleCensus::Take(tarrow.app().process());
    const std::optional<std::size_t> memoryBefore = meter.PrivateBytes();
    const std::optional<std::size_t> logBefore = tarrow.app().logLength();

    std::fprintf(stderr, "soak: %u runs\n", m_settings.soakRuns);
    const LONGLONG start = BenchClock::Now();
    unsigned done = 0;
    while (done < m_settings.soakRuns && OneRun(tarrow))
        ++done;
    const double seconds = BenchClock::SecondsSince(start);
    // Let Tarrow's loop settle as it does between the operator's clicks.
    ::Sleep(500);

    const std::optional<HandleCensus::Count> handlesAfter = HandleCensus::Take(tarrow.app().process());
    const std::optional<std::size_t> memoryAfter = meter.PrivateBytes();
    const std::optional<std::size_t> logAfter = tarrow.app().logLength();

    if (done < m_settings.soakRuns) {
        const std::string why = Format("run %u of %u did not finish", done + 1, m_settings.soakRuns);
        m_table.AddMissing(kPart, handleMeasure, why, handleGoal);
        m_table.AddMissing(kPart, memoryMeasure, why, memoryGoal);
        return;
    }
    m_table.Add(
        kPart, "one short run (click to closing line break)", Format("%.0f ms on average", seconds * 1000 / done));

    if (!handlesBefore || !handlesAfter) {
        m_table.AddMissing(kPart, handleMeasure, "no handle count", handleGoal);
    } else {
        const int growth = static_cast<int>(handlesAfter->handles) - static_cast<int>(handlesBefore->handles);
        m_table.AddGoal(kPart, handleMeasure,
            Format("%u -> %u (%+d)", handlesBefore->handles, handlesAfter->handles, growth), handleGoal, growth <= 0);
        m_table.Note("Handles: " + HandleCensus::MethodName(handlesAfter->probed) + ".");
    }

    if (!memoryBefore || !memoryAfter || !logBefore || !logAfter) {
        m_table.AddMissing(kPart, memoryMeasure, "no memory figure", memoryGoal);
    } else {
        const double growth = static_cast<double>(*memoryAfter) - static_cast<double>(*memoryBefore);
        // The log holds UTF-16: two bytes a character.
        const double logText = static_cast<double>(*logAfter - *logBefore) * sizeof(wchar_t);
        const double beyond = growth - logText;
        m_table.AddGoal(kPart, memoryMeasure,
            Format("%s -> %s (%s%s; the log's text %s; beyond it %s%s)", Kilobytes(double(*memoryBefore)).c_str(),
                Kilobytes(double(*memoryAfter)).c_str(), growth >= 0 ? "+" : "", Kilobytes(growth).c_str(),
                Kilobytes(logText).c_str(), beyond >= 0 ? "+" : "", Kilobytes(beyond).c_str()),
            memoryGoal, beyond < 1024.0 * 1024.0);
        m_table.Note("Private memory: " + meter.MemoryMethod() + ".");
    }
}
