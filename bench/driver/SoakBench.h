#pragma once

#include "BenchPart.h"

#include <optional>
#include <string>

// Whether Tarrow keeps what it takes: its handles and private memory before
// and after many short runs of a tool that prints one line and exits. The
// handle count is first checked against a process that leaks a known number.
class SoakBench : public BenchPart {
public:
    static constexpr unsigned kLeakedForCheck = 64;
    static constexpr unsigned kWarmUpRuns = 5;

    using BenchPart::BenchPart;

    void Run();

    // Handles the double is seen to gain when its script leaks that many;
    // nothing if the check itself could not run.
    static std::optional<int> LeakSeen(unsigned leak, std::string& error);
};
