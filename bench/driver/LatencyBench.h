#pragma once

#include "BenchPart.h"

#include <map>
#include <string>
#include <vector>

// How long a line the tool prints takes to reach the log when the tool
// prints little and seldom: the double's "ticks", one stamped line per interval.
//
// Measured twice. Unobserved: the benchmark probe inside Tarrow notes when
// each line went into the log, and nothing from outside touches Tarrow
// meanwhile. Polled: the log is read every 2 ms from outside; each read is a
// message that wakes Tarrow's loop, which then drains the pipe, so this
// figure shows the polling as much as Tarrow and is given for comparison.
class LatencyBench : public BenchPart {
public:
    using BenchPart::BenchPart;

    void Run();

    // Tick lines (TickLine.h) in the text from `from` on, as
    // sequence number -> the tool's counter when it printed them.
    static std::map<unsigned, long long> TicksIn(const std::wstring& text, std::size_t from);

private:
    void Report(const std::string& measure, const std::vector<double>& latenciesMs, bool goal, bool allSeen);
};
