#include "LatencyBench.h"

#include "BenchClock.h"
#include "BenchTarrow.h"
#include "Format.h"
#include "Summary.h"

#include <TickLine.h>

#include <cstdio>

namespace {

const char* const kPart = "latency";
const char* const kGoal = "p95 at most 300 ms";

} // namespace

std::map<unsigned, long long> LatencyBench::TicksIn(const std::wstring& text, std::size_t from)
{
    std::map<unsigned, long long> ticks;
    std::size_t start = from;
    while (start < text.size()) {
        const std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos)
            break;
        if (const auto tick = tooldouble::TickLine::parse(std::wstring_view(text).substr(start, end - start)))
            ticks.emplace(tick->sequence, tick->printed);
        start = end + 2;
    }
    return ticks;
}

void LatencyBench::Run()
{
    const unsigned expected = m_settings.tickRunMs / m_settings.tickIntervalMs;
    const std::string script
        = "ticks " + std::to_string(expected) + " " + std::to_string(m_settings.tickIntervalMs) + "\n";
    const auto runDeadline = std::chrono::milliseconds(m_settings.tickRunMs + 30000);

    BenchTarrow tarrow(m_settings.tarrowExe, script);
    if (!tarrow.error().empty()) {
        m_table.AddMissing(kPart, "tool prints a line every 100 ms", tarrow.error(), kGoal);
        return;
    }
    ::Sleep(500);

    std::fprintf(stderr, "latency: %u ticks, unobserved\n", expected);
    {
        e2e::Probe& inside = tarrow.app().probe();
        if (testing::AssertionResult watching = inside.watch(tarrow.app().log(), std::chrono::milliseconds(5000));
            !watching) {
            m_table.AddMissing(kPart, "line printed to line in the log, unobserved", watching.message(), kGoal);
        } else {
            inside.readTicks();
            // Only the button's state is looked at until the run is over:
            // that is read from the window manager, not asked of Tarrow.
            tarrow.clickProgram();
            const bool ran
                = tarrow.waitForRunStart(std::chrono::milliseconds(10000)) && tarrow.waitForRunEnd(runDeadline);
            std::vector<double> latencies;
            const probe::Layout& seen = inside.layout();
            for (LONG i = 0; i < seen.ticksSeen; ++i)
                latencies.push_back(BenchClock::Milliseconds(seen.ticks[i].shown - seen.ticks[i].printed));
            if (!ran)
                m_table.AddMissing(kPart, "line printed to line in the log, unobserved", "the run did not end", kGoal);
            else
                Report(Format("line printed to line in the log, unobserved (probe inside Tarrow), %u of %u lines",
                           static_cast<unsigned>(latencies.size()), expected),
                    latencies, true, latencies.size() == expected);
        }
    }

    std::fprintf(stderr, "latency: %u ticks, polling the log every 2 ms\n", expected);
    const std::optional<std::size_t> before = tarrow.app().logLength();
    if (!before || !tarrow.clickProgram() || !tarrow.waitForRunStart(std::chrono::milliseconds(10000))) {
        m_table.Add(kPart, "line printed to line in the log, polled every 2 ms", "not measured: the run did not start");
        return;
    }
    std::map<unsigned, double> latencyBySequence;
    const LONGLONG deadline = BenchClock::Now() + BenchClock::Frequency() * runDeadline.count() / 1000;
    bool ended = false;
    while (!ended && BenchClock::Now() < deadline) {
        ended = tarrow.programEnabled();
        const std::optional<std::wstring> text = tarrow.app().tryLogText();
        const LONGLONG now = BenchClock::Now();
        if (text) {
            for (const auto& [sequence, printed] : TicksIn(*text, *before))
                latencyBySequence.emplace(sequence, BenchClock::Milliseconds(now - printed));
        }
        ::Sleep(2);
    }
    std::vector<double> latencies;
    for (const auto& [sequence, latency] : latencyBySequence)
        latencies.push_back(latency);
    Report(Format("line printed to line in the log, polled every 2 ms (the polls wake Tarrow), %u of %u lines",
               static_cast<unsigned>(latencies.size()), expected),
        latencies, false, latencies.size() == expected);
}

void LatencyBench::Report(const std::string& measure, const std::vector<double>& latenciesMs, bool goal, bool allSeen)
{
    if (latenciesMs.empty()) {
        if (goal)
            m_table.AddMissing(kPart, measure, "no line seen", kGoal);
        else
            m_table.Add(kPart, measure, "no line seen");
        return;
    }
    const Summary summary = Summary::Of(latenciesMs);
    const std::string value
        = Format("median %.1f ms, p95 %.1f ms, max %.1f ms", summary.median(), summary.p95(), summary.max());
    if (goal)
        m_table.AddGoal(kPart, measure, value, std::string(kGoal) + ", every line", allSeen && summary.p95() <= 300);
    else
        m_table.Add(kPart, measure, value);
}
