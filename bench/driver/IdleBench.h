#pragma once

#include "BenchSettings.h"
#include "ResultTable.h"

// What Tarrow costs while it waits: its own CPU time while a tool runs that
// prints nothing, as a share of one core, next to Tarrow waiting with no
// tool at all. Nothing touches Tarrow while it is measured.
class IdleBench {
public:
    IdleBench(const BenchSettings& settings, ResultTable& table)
        : m_settings(settings)
        , m_table(table)
    {
    }

    void Run();

private:
    const BenchSettings& m_settings;
    ResultTable& m_table;
};
