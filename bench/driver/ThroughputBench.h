#pragma once

#include "BenchPart.h"
#include "BenchSettings.h"
#include "BenchTarrow.h"

#include <ProbeProtocol.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// How fast a flood gets from the tool into Tarrow's log, next to readers of
// the same pipe that keep nothing: the reader that reads as Tarrow's runner
// must (a peek, then a read of at most 1,024 bytes), against which Tarrow is
// judged, and for reference a minimal one with 64 KB reads; and, during the
// largest flood, how long Tarrow's window takes to answer.
//
// The flood is timed by the benchmark probe inside Tarrow, which notes when
// the log has had all of it; nothing from outside touches Tarrow meanwhile.
// (Asking the log for its length would wake Tarrow's loop, which sleeps when
// the pipe is empty, and so speed it up.) The window is pinged in a run of
// its own.
class ThroughputBench : public BenchPart {
public:
    using BenchPart::BenchPart;

    void Run(bool throughput, bool responsiveness);

    // The double's filler lines are 64 bytes; a flood is whole lines.
    static constexpr std::uint64_t kLineBytes = 64;
    // The bytes of the whole lines that fit in that many megabytes.
    static std::uint64_t FloodBytes(double megabytes);
    // The double's script for a flood of that size.
    static std::string FloodScript(double megabytes);

    struct FloodShown {
        bool complete = false;
        double seconds = 0; // click to the last character in the log (or to the deadline)
        double megabytesShown = 0;
        // Where the probe saw the whole flood appended but the log holds less
        // of it (it refused the rest): how much it holds, by WM_GETTEXTLENGTH
        // less what it held before. An error says so too.
        std::optional<std::size_t> charsKept;
        std::vector<double> pingsMs; // WM_NULL round trips meanwhile, if asked for
        std::shared_ptr<const probe::Layout> probe; // all the probe saw
        std::string error;
    };
    static FloodShown ShowFlood(
        const BenchSettings& settings, const std::wstring& tarrowExe, double megabytes, bool ping);
    // The same in a Tarrow already started with FloodScript(megabytes), which
    // is left running for what the caller measures afterwards; `beforeClick`
    // runs last before the click, outside the timing.
    static FloodShown ShowFlood(const BenchSettings& settings, BenchTarrow& tarrow, double megabytes, bool ping,
        const std::function<void()>& beforeClick = {});

    // A flood of the double read to the end, started and piped as Tarrow
    // starts its tools, by a plain ReadFile loop or by Tarrow's rule (a peek,
    // then a read of at most `chunk` bytes of what it showed); nothing if
    // not every byte came through.
    static std::optional<double> ReaderSeconds(double megabytes, std::size_t chunk, bool peekFirst = false);

    // The median of `runs` ShowFlood runs, with the fastest and slowest run.
    // A run that fails or misses the deadline ends the series and is what
    // comes back: repeating it would only take longer.
    struct Series {
        FloodShown median;
        double fastest = 0;
        double slowest = 0;
        unsigned runs = 0;
    };
    static Series ShowFloods(
        const BenchSettings& settings, const std::wstring& tarrowExe, double megabytes, unsigned runs);

private:
    struct ReaderTimes {
        double median;
        double fastest;
        double slowest;
    };
    std::optional<ReaderTimes> Readers(double megabytes, std::size_t chunk, bool peekFirst) const;
    void ReportSize(
        double megabytes, const Series& shown, std::optional<double> minimal, std::optional<double> byTheRule);
};
