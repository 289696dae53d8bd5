#pragma once

#include "BenchSettings.h"
#include "ResultTable.h"

#include <optional>
#include <string>

// Whether Tarrow keeps what it takes: its handles and private memory before
// and after many short runs of a tool that prints one line and exits. The
// handle count is first checked against a process that leaks a known number.
class SoakBench {
public:
    static constexpr unsigned kLeakedForCheck = 64;
    static constexpr unsigned kWarmUpRuns = 5;

    SoakBench(const BenchSettings& settings, ResultTable& table)
        : m_settings(settings)
        , m_table(table)
    {
    }

    void Run();

    // Handles the double is seen to gain when its script leaks that many;
    // nothing if the check itself could not run.
    static std::optional<int> LeakSeen(unsigned leak, std::string& error);

private:
    const BenchSettings& m_settings;
    ResultTable& m_table;
};
