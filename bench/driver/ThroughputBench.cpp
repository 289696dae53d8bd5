#include "ThroughputBench.h"

#include "BenchClock.h"
#include "BenchTarrow.h"
#include "Format.h"
#include "Pinger.h"
#include "Summary.h"

#include <ConsoleRun.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr std::size_t kReaderChunk = 64 * 1024;
constexpr std::size_t kTarrowChunk = 1024;
// Tarrow against the reader that reads as Tarrow's runner must: what is left
// for everything else Tarrow does with the output.
constexpr double kRuleReaderGoal = 1.3;

const char* const kPart = "throughput";
const char* const kResponsiveness = "responsiveness";

std::string Megabytes(double megabytes)
{
    return Format("%g MB", megabytes);
}

std::string Spread(double fastest, double slowest, unsigned runs)
{
    return runs > 1 ? Format("; %u runs, %.2f-%.2f s", runs, fastest, slowest) : std::string();
}

} // namespace

std::uint64_t ThroughputBench::FloodBytes(double megabytes)
{
    const double lines = std::floor(megabytes * 1048576.0 / kLineBytes);
    return static_cast<std::uint64_t>(lines) * kLineBytes;
}

std::string ThroughputBench::FloodScript(double megabytes)
{
    return "filler " + std::to_string(FloodBytes(megabytes)) + "\n";
}

std::optional<double> ThroughputBench::ReaderSeconds(double megabytes, std::size_t chunk, bool peekFirst)
{
    e2e::SandboxOptions withoutTarrow;
    withoutTarrow.tarrowName.clear();
    e2e::Sandbox box(withoutTarrow);
    const std::wstring tool = box.installTool(L"burnkit.exe", FloodScript(megabytes));
    e2e::ConsoleRunOptions options;
    options.environment = box.environment();
    options.mergeStreams = true;
    options.ownConsole = true;
    e2e::ConsoleRun flood(tool, options);

    const LONGLONG start = BenchClock::Now();
    if (testing::AssertionResult started = flood.start(); !started) {
        std::fprintf(stderr, "  %s\n", started.message());
        return std::nullopt;
    }
    const std::uint64_t bytes = peekFirst ? flood.outPipe().readToEndPeeking(chunk) : flood.outPipe().readToEnd(chunk);
    const double seconds = BenchClock::SecondsSince(start);
    if (bytes != FloodBytes(megabytes)) {
        std::fprintf(stderr, "  the reader got %llu bytes of %llu\n", static_cast<unsigned long long>(bytes),
            static_cast<unsigned long long>(FloodBytes(megabytes)));
        return std::nullopt;
    }
    return seconds;
}

ThroughputBench::FloodShown ThroughputBench::ShowFlood(
    const BenchSettings& settings, const std::wstring& tarrowExe, double megabytes, bool ping)
{
    BenchTarrow tarrow(tarrowExe, FloodScript(megabytes));
    if (!tarrow.error().empty()) {
        FloodShown shown;
        shown.error = tarrow.error();
        return shown;
    }
    return ShowFlood(settings, tarrow, megabytes, ping);
}

ThroughputBench::FloodShown ThroughputBench::ShowFlood(const BenchSettings& settings, BenchTarrow& tarrow,
    double megabytes, bool ping, const std::function<void()>& beforeClick)
{
    FloodShown shown;
    // Whatever Tarrow does right after start-up is over before the clock runs.
    ::Sleep(500);
    const std::optional<std::size_t> before = tarrow.app().logLength();
    if (!before) {
        shown.error = "the log did not answer";
        return shown;
    }
    e2e::Probe& inside = tarrow.app().probe();
    if (testing::AssertionResult watching = inside.watch(tarrow.app().log(), std::chrono::milliseconds(5000));
        !watching) {
        shown.error = watching.message();
        return shown;
    }
    // The flood is plain ASCII: one character in the log per byte.
    const LONGLONG target = static_cast<LONGLONG>(FloodBytes(megabytes));
    inside.watchFor(target);

    if (beforeClick)
        beforeClick();
    std::unique_ptr<Pinger> pinger;
    if (ping)
        pinger = std::make_unique<Pinger>(tarrow.app().hwnd());
    const LONGLONG start = BenchClock::Now();
    if (!tarrow.clickProgram()) {
        shown.error = "the Program button did not take the click";
        return shown;
    }
    const LONGLONG deadline = start + BenchClock::Frequency() * settings.FloodDeadlineMs(megabytes) / 1000;
    LONGLONG reached = 0;
    while ((reached = inside.targetReachedAt()) == 0 && BenchClock::Now() < deadline
        && ::WaitForSingleObject(tarrow.app().process(), 1) == WAIT_TIMEOUT) { }
    if (pinger)
        shown.pingsMs = pinger->Stop();
    shown.complete = reached != 0;
    shown.seconds = BenchClock::Seconds((shown.complete ? reached : BenchClock::Now()) - start);
    shown.megabytesShown = static_cast<double>(std::min(inside.charsAppended(), target)) / (1024.0 * 1024.0);
    shown.probe = std::make_shared<const probe::Layout>(inside.layout());
    if (!tarrow.app().alive()) {
        shown.error = "Tarrow ended during the flood";
        return shown;
    }
    if (shown.complete) {
        // What the probe counted must be what the log holds.
        const std::optional<std::size_t> after = tarrow.app().logLength();
        if (!after) {
            shown.error = "the log did not answer after the flood";
        } else if (*after < *before + static_cast<std::size_t>(target)) {
            shown.charsKept = *after > *before ? *after - *before : 0;
            shown.error = "the log holds less than the probe saw appended";
        }
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
        const std::optional<double> one = ReaderSeconds(megabytes, chunk, peekFirst);
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
    std::optional<double> largestMinimal;
    std::optional<double> largestByTheRule;
    for (double megabytes : throughput ? sizes : std::vector<double>()) {
        std::fprintf(stderr, "throughput: readers, %g MB\n", megabytes);
        const struct {
            const char* what;
            std::size_t chunk;
            bool peekFirst;
        } readers[] = {{"minimal reader, %s, 64 KB reads (for reference)", kReaderChunk, false},
            {"reader, %s, 1 KB reads", kTarrowChunk, false},
            {"reader by Tarrow's rule, %s, PeekNamedPipe + ReadFile of at most 1 KB", kTarrowChunk, true}};
        std::optional<double> minimal;
        std::optional<double> byTheRule;
        for (const auto& kind : readers) {
            const std::optional<ReaderTimes> times = Readers(megabytes, kind.chunk, kind.peekFirst);
            if (&kind == &readers[0] && times)
                minimal = times->median;
            if (&kind == &readers[2] && times)
                byTheRule = times->median;
            m_table.Add(kPart, Format(kind.what, Megabytes(megabytes).c_str()),
                times ? Format("%.2f s (%.3f s/MB%s)", times->median, times->median / megabytes,
                    Spread(times->fastest, times->slowest, m_settings.repeat).c_str())
                      : "failed");
        }

        std::fprintf(stderr, "throughput: Tarrow, %g MB\n", megabytes);
        Series shown = ShowFloods(m_settings, m_settings.tarrowExe, megabytes, m_settings.repeat);
        ReportSize(megabytes, shown, minimal, byTheRule);
        if (megabytes == largest) {
            largestMinimal = minimal;
            largestByTheRule = byTheRule;
            largestShown = std::move(shown.median);
        } else if (megabytes == smallest) {
            smallestShown = std::move(shown.median);
        }
    }

    if (throughput) {
        const std::string ruleMeasure = Megabytes(largest) + " shown, against the reader by Tarrow's rule (medians of "
            + std::to_string(m_settings.repeat) + ")";
        const std::string ruleGoal = Format("at most %.1fx", kRuleReaderGoal);
        if (!largestShown.error.empty() || !largestByTheRule)
            m_table.AddMissing(
                kPart, ruleMeasure, largestByTheRule ? largestShown.error : "the reader failed", ruleGoal);
        else
            m_table.AddGoal(kPart, ruleMeasure,
                Format("%s%.2fx", largestShown.complete ? "" : "> ", largestShown.seconds / *largestByTheRule),
                ruleGoal, largestShown.complete && largestShown.seconds <= kRuleReaderGoal * *largestByTheRule);
        if (largestShown.error.empty() && largestMinimal)
            m_table.Add(kPart, Megabytes(largest) + " shown, against the minimal reader (for reference)",
                Format("%s%.1fx", largestShown.complete ? "" : "> ", largestShown.seconds / *largestMinimal));

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
            const std::optional<double> reader = ReaderSeconds(megabytes, kReaderChunk);
            const FloodShown shown = ShowFlood(m_settings, m_settings.baselineExe, megabytes, false);
            std::string value;
            if (!shown.error.empty())
                value = "failed: " + shown.error;
            else if (!shown.complete)
                value = Format("not all shown after %.0f s: %.2f MB", shown.seconds, shown.megabytesShown);
            else
                value = Format("%.2f s (%.3f s/MB)%s", shown.seconds, shown.seconds / megabytes,
                    reader ? Format(", %.1fx the minimal reader", shown.seconds / *reader).c_str() : "");
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

void ThroughputBench::ReportSize(
    double megabytes, const Series& series, std::optional<double> minimal, std::optional<double> byTheRule)
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
            Format("all within %.0f s", m_settings.FloodDeadlineMs(megabytes) / 1000.0), false);
        return;
    }
    std::string value = Format("%.2f s (%.3f s/MB%s)", shown.seconds, shown.seconds / megabytes,
        Spread(series.fastest, series.slowest, series.runs).c_str());
    if (byTheRule)
        value += Format(", %.2fx the reader by Tarrow's rule", shown.seconds / *byTheRule);
    if (minimal)
        value += Format(", %.1fx the minimal reader", shown.seconds / *minimal);
    m_table.Add(kPart, measure, value);
}
