#pragma once

#include "BenchSettings.h"
#include "ResultTable.h"

// Where Tarrow's time goes while it shows a flood: the benchmark probe
// times every message the log control gets, so the time inside the control
// (by message, and for appends by how much the log already held) can be set
// against the rest: reading the pipe, decoding, painting, the loop.
class ProfileBench {
public:
    ProfileBench(const BenchSettings& settings, ResultTable& table)
        : m_settings(settings)
        , m_table(table)
    {
    }

    void Run();

private:
    const BenchSettings& m_settings;
    ResultTable& m_table;
};
