#include "IdleBench.h"

#include "BenchClock.h"
#include "BenchTarrow.h"
#include "Format.h"
#include "ProcessMeter.h"

#include <cstdio>
#include <optional>

namespace {

const char* const kPart = "idle cost";

// CPU seconds per wall-clock second over `milliseconds` from now.
std::optional<double> CoreShare(const ProcessMeter& meter, DWORD milliseconds)
{
    const std::optional<double> cpuBefore = meter.CpuSeconds();
    const LONGLONG start = BenchClock::Now();
    ::Sleep(milliseconds);
    const std::optional<double> cpuAfter = meter.CpuSeconds();
    const double wall = BenchClock::SecondsSince(start);
    if (!cpuBefore || !cpuAfter)
        return std::nullopt;
    return (*cpuAfter - *cpuBefore) / wall;
}

} // namespace

void IdleBench::Run()
{
    const std::string measure = Format("Tarrow's CPU while a silent tool runs %.0f s", m_settings.silentMs / 1000.0);
    const char* const goal = "under 1% of one core";

    BenchTarrow tarrow(m_settings.tarrowExe, "sleep " + std::to_string(m_settings.silentMs) + "\n");
    if (!tarrow.error().empty()) {
        m_table.AddMissing(kPart, measure, tarrow.error(), goal);
        return;
    }
    const ProcessMeter meter(tarrow.app().process(), tarrow.app().pid());
    // Start-up is over well before this.
    ::Sleep(2000);

    // Both windows equally long, so their figures compare.
    constexpr DWORD kMarginMs = 1000;
    const DWORD window
        = m_settings.silentMs > 3 * kMarginMs ? m_settings.silentMs - 2 * kMarginMs : m_settings.silentMs / 2;

    std::fprintf(stderr, "idle cost: Tarrow with no tool\n");
    const std::optional<double> waiting = CoreShare(meter, window);
    m_table.Add(kPart, Format("Tarrow's CPU with no tool running (%.0f s)", window / 1000.0),
        waiting ? Format("%.2f%% of one core", *waiting * 100) : "not measured: no CPU times");

    std::fprintf(stderr, "idle cost: Tarrow while a silent tool runs\n");
    if (!tarrow.clickProgram() || !tarrow.waitForRunStart(std::chrono::milliseconds(10000))) {
        m_table.AddMissing(kPart, measure, "the run did not start", goal);
        return;
    }
    // Leave out the tool's start and end: the wait is what is measured.
    ::Sleep(kMarginMs);
    const std::optional<double> running = CoreShare(meter, window);
    const bool ended = tarrow.waitForRunEnd(std::chrono::milliseconds(m_settings.silentMs + 30000));
    if (!running)
        m_table.AddMissing(kPart, measure, "no CPU times", goal);
    else if (!ended)
        m_table.AddMissing(kPart, measure, "the run did not end", goal);
    else
        m_table.AddGoal(kPart, measure + Format(" (%.0f s of it measured)", window / 1000.0),
            Format("%.2f%% of one core", *running * 100), goal, *running < 0.01);
    m_table.Note("CPU time: " + ProcessMeter::CpuMethod()
        + "; under Wine thread times come in 10 ms steps, so over 8 s one step is 0.12% of a core.");
}
