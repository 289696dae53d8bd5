#include "LongLogBench.h"

#include "BenchTarrow.h"
#include "Format.h"
#include "ProcessMeter.h"
#include "RecordBench.h"
#include "ThroughputBench.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kPart = "long log";
constexpr double kMegabyte = 1024.0 * 1024.0;

// One flood in a fresh Tarrow, and what Tarrow's process held right before
// the click and once the flood was in.
struct Flood {
    double megabytes = 0;
    ThroughputBench::FloodShown shown;
    std::optional<std::size_t> memoryBefore;
    std::optional<std::size_t> memoryAfter;
    std::optional<std::size_t> largestBlock;
    std::optional<std::size_t> logChars; // WM_GETTEXTLENGTH once the flood was in
    std::string memoryMethod;

    bool allShown() const { return shown.complete && shown.error.empty(); }
    double secondsPerMegabyte() const { return shown.seconds / megabytes; }
};

// afterwards, if given, runs in the same Tarrow once the flood is in.
Flood Measure(const BenchSettings& settings, double megabytes, const std::function<void(BenchTarrow&)>& afterwards = {})
{
    Flood flood;
    flood.megabytes = megabytes;
    BenchTarrow tarrow(settings.tarrowExe, ThroughputBench::FloodScript(megabytes));
    if (!tarrow.error().empty()) {
        flood.shown.error = tarrow.error();
        return flood;
    }
    const ProcessMeter meter(tarrow.app().process(), tarrow.app().pid());
    flood.memoryMethod = meter.MemoryMethod();
    // Under Wine another process's address space is read by that process
    // itself, woken for it, so nothing is read while the flood is timed.
    flood.shown = ThroughputBench::ShowFlood(
        settings, tarrow, megabytes, false, [&] { flood.memoryBefore = meter.PrivateBytes(); });
    if (!tarrow.app().alive())
        return flood;
    flood.memoryAfter = meter.PrivateBytes();
    flood.largestBlock = meter.LargestCommittedPrivate();
    flood.logChars = tarrow.app().logLength();
    if (afterwards && flood.allShown())
        afterwards(tarrow);
    return flood;
}

std::string Megabytes(double bytes)
{
    return Format("%.1f MB", bytes / kMegabyte);
}

// Where not all of the flood is in the log: how much is, said plainly.
std::string Shortfall(const Flood& flood)
{
    const ThroughputBench::FloodShown& shown = flood.shown;
    if (!shown.probe)
        return "not measured: " + shown.error;
    if (shown.complete && shown.charsKept)
        return Format("not all shown: the log kept %.1f MB of the %g MB and refused the rest (%.0f s)",
            *shown.charsKept / kMegabyte, flood.megabytes, shown.seconds);
    if (!shown.error.empty())
        return Format("not all shown: %s after %.0f s, %.1f MB of the %g MB in by then", shown.error.c_str(),
            shown.seconds, shown.megabytesShown, flood.megabytes);
    return Format(
        "not all shown within %.0f s: %.1f MB of the %g MB", shown.seconds, shown.megabytesShown, flood.megabytes);
}

// Why the memory figures are missing, if they are.
std::optional<std::string> NoMemoryFigure(const Flood& flood)
{
    if (!flood.shown.probe)
        return flood.shown.error;
    if (!flood.memoryBefore || !flood.memoryAfter)
        return flood.shown.error.empty() ? std::string("no memory figure") : flood.shown.error;
    if (!flood.logChars)
        return std::string("the log did not answer after the flood");
    return std::nullopt;
}

// The flood's rows; the goals count only for the long flood.
void Report(ResultTable& table, const Flood& flood, bool judged, std::size_t runs)
{
    const std::string size = Format("%g MB", flood.megabytes);
    table.Add(kPart, size + ", click to all of it shown" + (runs > 1 ? Format(" (median of %zu runs)", runs) : ""),
        flood.allShown() ? Format("%.2f s (%.3f s/MB)", flood.shown.seconds, flood.secondsPerMegabyte())
                         : Shortfall(flood));

    const std::string memoryMeasure = size + ", Tarrow's private memory over the flood per byte of the log's text";
    const std::string memoryGoal = Format("at most %.2f bytes per byte of the text + %s",
        LongLogBench::kBytesPerTextByte, Megabytes(LongLogBench::kAllowanceBytes).c_str());
    const std::string blockMeasure = size + ", largest block of committed private memory after the flood";
    const std::string blockGoal = "at most " + Megabytes(LongLogBench::kLargestBlockBytes);
    if (const std::optional<std::string> why = NoMemoryFigure(flood)) {
        if (judged) {
            table.AddMissing(kPart, memoryMeasure, *why, memoryGoal);
            table.AddMissing(kPart, blockMeasure, *why, blockGoal);
        } else {
            table.Add(kPart, memoryMeasure, "not measured: " + *why);
        }
        return;
    }

    const double growth = static_cast<double>(*flood.memoryAfter) - static_cast<double>(*flood.memoryBefore);
    // The log holds UTF-16: two bytes a character, a line break two of them.
    const double text = static_cast<double>(*flood.logChars) * sizeof(wchar_t);
    const std::string memory
        = Format("%s%s for %s of text (%zu characters): %.2f bytes per byte; %s allowed", growth >= 0 ? "+" : "",
            Megabytes(growth).c_str(), Megabytes(text).c_str(), *flood.logChars, text > 0 ? growth / text : 0.0,
            Megabytes(LongLogBench::kBytesPerTextByte * text + LongLogBench::kAllowanceBytes).c_str());
    if (judged)
        table.AddGoal(kPart, memoryMeasure, memory, memoryGoal, LongLogBench::MemoryGoalMet(growth, text));
    else
        table.Add(kPart, memoryMeasure, memory);

    if (!flood.largestBlock) {
        if (judged)
            table.AddMissing(kPart, blockMeasure, "no memory figure", blockGoal);
        return;
    }
    const std::string block = Megabytes(static_cast<double>(*flood.largestBlock));
    if (judged)
        table.AddGoal(kPart, blockMeasure, block, blockGoal,
            static_cast<double>(*flood.largestBlock) <= LongLogBench::kLargestBlockBytes);
    else
        table.Add(kPart, blockMeasure, block);
}

} // namespace

bool LongLogBench::MemoryGoalMet(double growthBytes, double textBytes)
{
    return growthBytes <= kBytesPerTextByte * textBytes + kAllowanceBytes;
}

void LongLogBench::Run()
{
    const double reference = m_settings.longLogReferenceMegabytes;
    const double longest = m_settings.longLogMegabytes;
    // The shorter flood is over in seconds, so a moment's load on a shared
    // machine moves its time per MB most: its median of several runs counts.
    std::vector<Flood> references;
    for (unsigned run = 0; run < std::max(m_settings.repeat, 1u); ++run) {
        std::fprintf(stderr, "long log: Tarrow, %g MB, run %u\n", reference, run + 1);
        references.push_back(Measure(m_settings, reference));
        if (!references.back().allShown())
            break;
    }
    std::sort(references.begin(), references.end(), [](const Flood& left, const Flood& right) {
        return left.allShown() != right.allShown() ? !left.allShown() : left.shown.seconds < right.shown.seconds;
    });
    const Flood& shorter = references.front().allShown() ? references[references.size() / 2] : references.front();
    Report(m_table, shorter, false, references.size());
    std::fprintf(
        stderr, "long log: Tarrow, %g MB (deadline %.0f s)\n", longest, m_settings.FloodDeadlineMs(longest) / 1000.0);
    // Rows of their own, after the flood's.
    ResultTable record;
    const Flood longer = Measure(m_settings, longest,
        [&](BenchTarrow& tarrow) { RecordBench(tarrow, record, kPart, ThroughputBench::FloodBytes(longest)).Run(); });
    Report(m_table, longer, true, 1);
    m_table.Append(record);

    const std::string measure = Format("time per MB, %g MB against %g MB", longest, reference);
    const std::string goal = Format("at most %.2fx", kPerMegabyteRatio);
    if (!shorter.allShown() || !longer.allShown()) {
        m_table.AddMissing(kPart, measure,
            Format("the %g MB flood was not all shown", shorter.allShown() ? longest : reference), goal);
    } else {
        const double ratio = longer.secondsPerMegabyte() / shorter.secondsPerMegabyte();
        m_table.AddGoal(kPart, measure,
            Format("%.3f / %.3f s = %.2fx", longer.secondsPerMegabyte(), shorter.secondsPerMegabyte(), ratio), goal,
            ratio <= kPerMegabyteRatio);
    }

    if (!longer.memoryMethod.empty())
        m_table.Note("Private memory: " + longer.memoryMethod + ".");
    m_table.Note("Largest block: the committed MEM_PRIVATE regions of one allocation (one AllocationBase) counted "
                 "together, from a VirtualQueryEx walk.");
}
