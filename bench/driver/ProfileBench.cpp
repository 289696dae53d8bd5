#include "ProfileBench.h"

#include "BenchClock.h"
#include "Format.h"
#include "ThroughputBench.h"

#include <cstdio>

namespace {

const char* const kPart = "profile";

std::string Cost(const probe::MessageCost& cost, double wallSeconds)
{
    if (cost.count == 0)
        return "none";
    const double total = BenchClock::Seconds(cost.counterTotal);
    return Format("%lld calls, %.2f s (%.0f%% of the wall time), mean %.3f ms, max %.1f ms",
        static_cast<long long>(cost.count), total, total / wallSeconds * 100, total * 1000 / cost.count,
        BenchClock::Milliseconds(cost.counterMax));
}

// Mean cost by how much output the log held, in at most eight ranges so the
// trend shows whatever the size of the flood.
std::string ByOutput(const probe::MessageCost (&buckets)[probe::kBuckets])
{
    constexpr unsigned kRanges = 8;
    unsigned used = 0;
    for (unsigned bucket = 0; bucket < probe::kBuckets; ++bucket) {
        if (buckets[bucket].count > 0)
            used = bucket + 1;
    }
    if (used == 0)
        return "none";
    const unsigned perRange = (used + kRanges - 1) / kRanges;
    const double bucketMegabytes = static_cast<double>(probe::kBucketChars) / (1024.0 * 1024.0);
    std::string text;
    for (unsigned first = 0; first < used; first += perRange) {
        std::int64_t count = 0;
        std::int64_t total = 0;
        for (unsigned bucket = first; bucket < first + perRange && bucket < used; ++bucket) {
            count += buckets[bucket].count;
            total += buckets[bucket].counterTotal;
        }
        if (!text.empty())
            text += "; ";
        text += Format("%g-%g MB: ", first * bucketMegabytes, (first + perRange) * bucketMegabytes);
        text += count > 0 ? Format("%.2f ms", BenchClock::Milliseconds(total) / count) : std::string("none");
    }
    return text;
}

} // namespace

void ProfileBench::Run()
{
    const double megabytes = m_settings.profileMegabytes;
    const std::string what = Format("%g MB flood", megabytes);
    std::fprintf(stderr, "profile: Tarrow, %s\n", what.c_str());
    const ThroughputBench::FloodShown shown
        = ThroughputBench::ShowFlood(m_settings, m_settings.tarrowExe, megabytes, false);
    if (!shown.probe) {
        m_table.Add(kPart, what, "not measured: " + shown.error);
        return;
    }
    const probe::Layout& seen = *shown.probe;
    const double wall = shown.seconds;
    m_table.Add(kPart, "wall time, click to " + what + " shown",
        shown.complete ? Format("%.2f s", wall)
                       : Format("not all shown after %.0f s: %.2f MB", wall, shown.megabytesShown));
    const double inside = BenchClock::Seconds(seen.outermost.counterTotal);
    m_table.Add(kPart, "inside the log control, all messages", Cost(seen.outermost, wall));
    m_table.Add(kPart, "of which the appends", Cost(seen.costs[probe::kReplaceSel], wall));
    m_table.Add(kPart, "of which EM_SETSEL", Cost(seen.costs[probe::kSetSel], wall));
    m_table.Add(kPart, "of which EM_SCROLLCARET", Cost(seen.costs[probe::kScrollCaret], wall));
    m_table.Add(
        kPart, "of which painting (WM_PAINT, WM_ERASEBKGND, WM_NCPAINT)", Cost(seen.costs[probe::kPaint], wall));
    m_table.Add(kPart, "of which other messages", Cost(seen.costs[probe::kOtherMessage], wall));
    m_table.Add(kPart, "mean append by output already in the log", ByOutput(seen.replaceSelByOutput));
    m_table.Add(kPart, "mean paint by output already in the log", ByOutput(seen.paintByOutput));
    m_table.Add(kPart, "outside the log control (reading the pipe, decoding, the loop)",
        Format("%.2f s (%.0f%% of the wall time)", wall - inside, (wall - inside) / wall * 100));

    // Tarrow's own platform calls; DispatchMessageW holds the painting
    // counted above, MsgWaitForMultipleObjects the time the loop slept.
    const struct {
        probe::CallKind kind;
        const char* name;
    } calls[] = {{probe::kPeekNamedPipe, "PeekNamedPipe"}, {probe::kReadFile, "ReadFile"},
        {probe::kMultiByteToWideChar, "MultiByteToWideChar"}, {probe::kInvalidateRect, "InvalidateRect"},
        {probe::kPeekMessage, "PeekMessageW"}, {probe::kDispatchMessage, "DispatchMessageW (painting included)"},
        {probe::kMsgWaitForMultipleObjects, "MsgWaitForMultipleObjects (sleeping included)"}};
    double accounted = inside;
    for (const auto& call : calls) {
        m_table.Add(kPart, std::string("Tarrow's calls of ") + call.name, Cost(seen.calls[call.kind], wall));
        accounted += BenchClock::Seconds(seen.calls[call.kind].counterTotal);
    }
    // What DispatchMessageW handed the log is counted inside the log already.
    accounted -= BenchClock::Seconds(seen.dispatched.counterTotal);
    m_table.Add(kPart, "left for Tarrow's own code (the decoder's scanning, the log pane, the loop)",
        Format("%.2f s (%.0f%% of the wall time)", wall - accounted, (wall - accounted) / wall * 100));
}
