#pragma once

#include "BenchSettings.h"
#include "ResultTable.h"

// What each part of the benchmark works from: the run's settings and the
// table that collects every part's figures.
class BenchPart {
public:
    BenchPart(const BenchSettings& settings, ResultTable& table)
        : m_settings(settings)
        , m_table(table)
    {
    }

protected:
    const BenchSettings& m_settings;
    ResultTable& m_table;
};
