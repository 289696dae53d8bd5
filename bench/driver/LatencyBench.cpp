#include "LatencyBench.h"

#include "BenchClock.h"
#include "BenchFolder.h"
#include "Format.h"
#include "ProbeSession.h"
#include "Summary.h"
#include "TarrowInstance.h"

#include <cstdio>
#include <cwchar>

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
        const std::wstring line = text.substr(start, end - start);
        unsigned sequence = 0;
        long long printed = 0;
        if (line.compare(0, 5, L"tick ") == 0 && std::swscanf(line.c_str(), L"tick %u %lld", &sequence, &printed) == 2)
            ticks.emplace(sequence, printed);
        start = end + 2;
    }
    return ticks;
}

void LatencyBench::Run()
{
    const unsigned expected = m_settings.tickRunMs / m_settings.tickIntervalMs;
    const std::wstring mode
        = L"ticks:" + std::to_wstring(m_settings.tickIntervalMs) + L":" + std::to_wstring(m_settings.tickRunMs);
    const auto runDeadline = std::chrono::milliseconds(m_settings.tickRunMs + 30000);

    BenchFolder folder(m_settings.tarrowExe, m_settings.floodExe);
    std::string error = folder.error();
    TarrowInstance tarrow(folder.tarrowPath(), {{L"FLOOD_MODE", mode}});
    const bool started = error.empty() && tarrow.Start(error);
    if (started && !tarrow.SetFile(folder.imagePath()))
        error = "the file box did not take the file name";
    if (!error.empty()) {
        m_table.AddMissing(kPart, "tool prints a line every 100 ms", error, kGoal);
        return;
    }
    ::Sleep(500);

    std::fprintf(stderr, "latency: %u ticks, unobserved\n", expected);
    {
        ProbeSession probe;
        if (!probe.Attach(tarrow.processId(), tarrow.guiThreadId(), tarrow.log(), error)) {
            m_table.AddMissing(kPart, "line printed to line in the log, unobserved", error, kGoal);
        } else {
            probe.ReadTicks();
            // Only the button's state is looked at until the run is over:
            // that is read from the window manager, not asked of Tarrow.
            tarrow.ClickProgram();
            const bool ran
                = tarrow.WaitForRunStart(std::chrono::milliseconds(10000)) && tarrow.WaitForRunEnd(runDeadline);
            std::vector<double> latencies;
            const benchprobe::Layout& seen = probe.layout();
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
    const std::optional<std::size_t> before = tarrow.LogLength();
    if (!before || !tarrow.ClickProgram() || !tarrow.WaitForRunStart(std::chrono::milliseconds(10000))) {
        m_table.Add(kPart, "line printed to line in the log, polled every 2 ms", "not measured: the run did not start");
        return;
    }
    std::map<unsigned, double> latencyBySequence;
    const LONGLONG deadline = BenchClock::Now() + BenchClock::Frequency() * runDeadline.count() / 1000;
    bool ended = false;
    while (!ended && BenchClock::Now() < deadline) {
        ended = tarrow.ProgramEnabled();
        const std::optional<std::wstring> text = tarrow.LogText();
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
