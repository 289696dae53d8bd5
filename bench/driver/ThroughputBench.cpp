#include "ThroughputBench.h"

#include "BenchClock.h"
#include "BenchFolder.h"
#include "FloodProcess.h"
#include "Format.h"
#include "Pinger.h"
#include "ProbeSession.h"
#include "Summary.h"
#include "TarrowInstance.h"

#include <FloodText.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr std::size_t kReaderChunk = 64 * 1024;
constexpr std::size_t kTarrowChunk = 1024;

const char* const kPart = "throughput";
const char* const kResponsiveness = "responsiveness";

std::wstring FloodModeFor(double megabytes)
{
    return L"flood:" + std::to_wstring(megabytes);
}

std::string Megabytes(double megabytes)
{
    return Format("%g MB", megabytes);
}

std::string Spread(double fastest, double slowest, unsigned runs)
{
    return runs > 1 ? Format("; %u runs, %.2f-%.2f s", runs, fastest, slowest) : std::string();
}

} // namespace

std::optional<double> ThroughputBench::ReaderSeconds(
    const std::wstring& floodExe, double megabytes, std::size_t chunk, bool peekFirst)
{
    const LONGLONG start = BenchClock::Now();
    FloodProcess flood(floodExe, FloodModeFor(megabytes));
    std::string error;
    if (!flood.Start(error)) {
        std::fprintf(stderr, "  %s\n", error.c_str());
        return std::nullopt;
    }
    const std::uint64_t bytes = peekFirst ? flood.DrainPeeking(chunk) : flood.Drain(chunk);
    const double seconds = BenchClock::SecondsSince(start);
    if (bytes != FloodText::BytesFor(megabytes)) {
        std::fprintf(stderr, "  the reader got %llu bytes of %llu\n", static_cast<unsigned long long>(bytes),
            static_cast<unsigned long long>(FloodText::BytesFor(megabytes)));
        return std::nullopt;
    }
    return seconds;
}

ThroughputBench::FloodShown ThroughputBench::ShowFlood(
    const BenchSettings& settings, const std::wstring& tarrowExe, double megabytes, bool ping)
{
    FloodShown shown;
    BenchFolder folder(tarrowExe, settings.floodExe);
    if (!folder.ready()) {
        shown.error = folder.error();
        return shown;
    }
    TarrowInstance tarrow(folder.tarrowPath(), {{L"FLOOD_MODE", FloodModeFor(megabytes)}});
    if (!tarrow.Start(shown.error))
        return shown;
    if (!tarrow.SetFile(folder.imagePath())) {
        shown.error = "the file box did not take the file name";
        return shown;
    }
    // Whatever Tarrow does right after start-up is over before the clock runs.
    ::Sleep(500);
    const std::optional<std::size_t> before = tarrow.LogLength();
    ProbeSession probe;
    if (!before || !probe.Attach(tarrow.processId(), tarrow.guiThreadId(), tarrow.log(), shown.error)) {
        if (shown.error.empty())
            shown.error = "the log did not answer";
        return shown;
    }
    // The flood is plain ASCII: one character in the log per byte.
    const LONGLONG target = static_cast<LONGLONG>(FloodText::BytesFor(megabytes));
    probe.WatchFor(target);

    std::unique_ptr<Pinger> pinger;
    if (ping)
        pinger = std::make_unique<Pinger>(tarrow.window().handle());
    const LONGLONG start = BenchClock::Now();
    if (!tarrow.ClickProgram()) {
        shown.error = "the Program button did not take the click";
        return shown;
    }
    const LONGLONG deadline = start + BenchClock::Frequency() * settings.floodDeadlineMs / 1000;
    LONGLONG reached = 0;
    while ((reached = probe.TargetReachedAt()) == 0 && BenchClock::Now() < deadline
        && ::WaitForSingleObject(tarrow.process(), 1) == WAIT_TIMEOUT) { }
    if (pinger)
        shown.pingsMs = pinger->Stop();
    shown.complete = reached != 0;
    shown.seconds = BenchClock::Seconds((shown.complete ? reached : BenchClock::Now()) - start);
    shown.megabytesShown = static_cast<double>(std::min(probe.CharsAppended(), target)) / (1024.0 * 1024.0);
    shown.probe = std::make_shared<const benchprobe::Layout>(probe.layout());
    if (::WaitForSingleObject(tarrow.process(), 0) != WAIT_TIMEOUT) {
        shown.error = "Tarrow ended during the flood";
        return shown;
    }
    if (shown.complete) {
        // What the probe counted must be what the log holds.
        const std::optional<std::size_t> after = tarrow.LogLength();
        if (!after || *after < *before + static_cast<std::size_t>(target))
            shown.error = "the log holds less than the probe saw appended";
    }
    return shown;
}

ThroughputBench::Series ThroughputBench::ShowFloods(
    const BenchSettings& settings, const std::wstring& tarrowExe, double megabytes, unsigned runs)
{
    std::vector<FloodShown> shown;
    for (unsigned run = 0; run < std::max(runs, 1u); ++run) {
        shown.push_back(ShowFlood(settings, tarrowExe, megabytes, false));
        if (!shown.back().error.empty() || !shown.back().complete)
            return {shown.back(), shown.back().seconds, shown.back().seconds, 1};
    }
    std::sort(
        shown.begin(), shown.end(), [](const FloodShown& a, const FloodShown& b) { return a.seconds < b.seconds; });
    return {shown[(shown.size() - 1) / 2], shown.front().seconds, shown.back().seconds,
        static_cast<unsigned>(shown.size())};
}

std::optional<ThroughputBench::ReaderTimes> ThroughputBench::Readers(
    double megabytes, std::size_t chunk, bool peekFirst) const
{
    std::vector<double> seconds;
    for (unsigned run = 0; run < std::max(m_settings.repeat, 1u); ++run) {
        const std::optional<double> one = ReaderSeconds(m_settings.floodExe, megabytes, chunk, peekFirst);
        if (!one)
            return std::nullopt;
        seconds.push_back(*one);
    }
    std::sort(seconds.begin(), seconds.end());
    return ReaderTimes{seconds[(seconds.size() - 1) / 2], seconds.front(), seconds.back()};
}

void ThroughputBench::Run(bool throughput, bool responsiveness)
{
    std::vector<double> sizes = m_settings.floodMegabytes;
    std::sort(sizes.begin(), sizes.end());
    const double smallest = sizes.front();
    const double largest = sizes.back();

    FloodShown smallestShown;
    FloodShown largestShown;
    std::optional<double> largestReader;
    for (double megabytes : throughput ? sizes : std::vector<double>()) {
        std::fprintf(stderr, "throughput: readers, %g MB\n", megabytes);
        const struct {
            const char* what;
            std::size_t chunk;
            bool peekFirst;
        } readers[] = {{"minimal reader, %s, 64 KB reads", kReaderChunk, false},
            {"reader, %s, 1 KB reads (Tarrow's chunk)", kTarrowChunk, false},
            {"reader, %s, PeekNamedPipe + 1 KB reads (Tarrow's reading alone)", kTarrowChunk, true}};
        std::optional<double> reader;
        for (const auto& kind : readers) {
            const std::optional<ReaderTimes> times = Readers(megabytes, kind.chunk, kind.peekFirst);
            if (&kind == &readers[0] && times)
                reader = times->median;
            m_table.Add(kPart, Format(kind.what, Megabytes(megabytes).c_str()),
                times ? Format("%.2f s (%.3f s/MB%s)", times->median, times->median / megabytes,
                    Spread(times->fastest, times->slowest, m_settings.repeat).c_str())
                      : "failed");
        }

        std::fprintf(stderr, "throughput: Tarrow, %g MB\n", megabytes);
        Series shown = ShowFloods(m_settings, m_settings.tarrowExe, megabytes, m_settings.repeat);
        ReportSize(megabytes, shown, reader);
        if (megabytes == largest) {
            largestReader = reader;
            largestShown = std::move(shown.median);
        } else if (megabytes == smallest) {
            smallestShown = std::move(shown.median);
        }
    }

    if (throughput) {
        const std::string ratioMeasure = Megabytes(largest) + " shown, against the minimal reader";
        if (!largestShown.error.empty() || !largestReader)
            m_table.AddMissing(
                kPart, ratioMeasure, largestReader ? largestShown.error : "the reader failed", "at most 2x");
        else
            m_table.AddGoal(kPart, ratioMeasure,
                Format("%s%.1fx", largestShown.complete ? "" : "> ", largestShown.seconds / *largestReader),
                "at most 2x", largestShown.complete && largestShown.seconds <= 2 * *largestReader);

        const std::string perMegabyteMeasure = "time per MB, " + Megabytes(largest) + " against " + Megabytes(smallest);
        if (sizes.size() < 2 || !smallestShown.complete || !largestShown.error.empty()) {
            m_table.AddMissing(kPart, perMegabyteMeasure, sizes.size() < 2 ? "only one size" : "a flood was not shown",
                "at most 1.5x");
        } else {
            // Unfinished, the largest flood's time per megabyte is a lower
            // bound, still good enough to fail the goal with.
            const double small = smallestShown.seconds / smallest;
            const double large = largestShown.seconds / std::max(largestShown.megabytesShown, 1e-9);
            m_table.AddGoal(kPart, perMegabyteMeasure,
                Format("%.3f / %.3f s = %s%.2fx", large, small, largestShown.complete ? "" : "> ", large / small),
                "at most 1.5x", largestShown.complete && large <= 1.5 * small);
        }

        if (m_settings.baselineExe.empty()) {
            m_table.Add(kPart, "standard edit control build (baseline)", "not built (no TarrowEditLog.exe)");
        } else {
            const double megabytes = m_settings.baselineMegabytes;
            std::fprintf(stderr, "throughput: baseline build, %g MB\n", megabytes);
            const std::optional<double> reader = ReaderSeconds(m_settings.floodExe, megabytes, kReaderChunk);
            const FloodShown shown = ShowFlood(m_settings, m_settings.baselineExe, megabytes, false);
            std::string value;
            if (!shown.error.empty())
                value = "failed: " + shown.error;
            else if (!shown.complete)
                value = Format("not all shown after %.0f s: %.2f MB", shown.seconds, shown.megabytesShown);
            else
                value = Format("%.2f s (%.3f s/MB)%s", shown.seconds, shown.seconds / megabytes,
                    reader ? Format(", %.1fx the reader", shown.seconds / *reader).c_str() : "");
            m_table.Add(kPart, "standard edit control build (baseline), " + Megabytes(megabytes) + " shown", value);
        }
    }

    if (responsiveness) {
        std::fprintf(stderr, "responsiveness: Tarrow, %g MB, pinging its window\n", largest);
        const FloodShown pinged = ShowFlood(m_settings, m_settings.tarrowExe, largest, true);
        const std::string measure = "WM_NULL round trip to the dialog during the " + Megabytes(largest) + " flood";
        if (!pinged.error.empty() || pinged.pingsMs.empty()) {
            m_table.AddMissing(kResponsiveness, measure, pinged.error.empty() ? "no round trip finished" : pinged.error,
                "p95 under 100 ms");
        } else {
            const Summary pings = Summary::Of(pinged.pingsMs);
            m_table.AddGoal(kResponsiveness, measure + (pinged.complete ? "" : " (as far as it got)"),
                Format("median %.1f ms, p95 %.1f ms, max %.1f ms (%zu round trips)", pings.median(), pings.p95(),
                    pings.max(), pings.count()),
                "p95 under 100 ms", pings.p95() < 100);
            m_table.Add(kResponsiveness, "the same flood shown, while pinged",
                pinged.complete ? Format("%.2f s", pinged.seconds)
                                : Format("not all shown after %.0f s: %.2f MB", pinged.seconds, pinged.megabytesShown));
        }
    }
}

void ThroughputBench::ReportSize(double megabytes, const Series& series, std::optional<double> reader)
{
    const std::string measure = "Tarrow, " + Megabytes(megabytes) + " shown";
    const FloodShown& shown = series.median;
    if (!shown.error.empty()) {
        m_table.AddMissing(kPart, measure, shown.error, "");
        return;
    }
    if (!shown.complete) {
        m_table.AddGoal(kPart, measure,
            Format("not all shown after %.0f s: %.2f MB (>= %.3f s/MB)", shown.seconds, shown.megabytesShown,
                shown.seconds / std::max(shown.megabytesShown, 1e-9)),
            Format("all within %.0f s", m_settings.floodDeadlineMs / 1000.0), false);
        return;
    }
    std::string value = Format("%.2f s (%.3f s/MB%s)", shown.seconds, shown.seconds / megabytes,
        Spread(series.fastest, series.slowest, series.runs).c_str());
    if (reader)
        value += Format(", %.1fx the reader", shown.seconds / *reader);
    m_table.Add(kPart, measure, value);
}
