#pragma once

#include "BenchTarrow.h"
#include "ResultTable.h"

#include <cstddef>
#include <cstdint>

// The operator's record on a long log, in the Tarrow that holds it: saving it
// through the shortcut menu and the save dialog, and finding a string that
// is not in it through the find window, each against what the machine does
// without Tarrow: a plain WriteFile loop writing as many bytes from memory,
// and one std::wstring_view::find over the same text held in one block. Last,
// a save while a tool floods Tarrow with output, for how long the tool waits.
class RecordBench {
public:
    static constexpr double kSaveRatio = 2.0;
    // What saving may add to Tarrow's private memory, whatever the log's size.
    static constexpr double kSaveMemoryBytes = 16.0 * 1024 * 1024;
    static constexpr double kFindRatio = 2.0;
    // How long a tool may wait on its pipe while the log is saved: the
    // runner's own rhythm when the window's thread is busy elsewhere.
    static constexpr double kToolWaitMs = 250.0;

    // floodBytes: what the double printed, which with the closing line break
    // is the log's text.
    RecordBench(BenchTarrow& tarrow, ResultTable& table, const char* part, std::uint64_t floodBytes)
        : m_tarrow(tarrow)
        , m_table(table)
        , m_part(part)
        , m_floodBytes(floodBytes)
    {
    }

    void Run();

private:
    void MeasureSave();
    void MeasureFind();
    void MeasureToolDuringSave();

    BenchTarrow& m_tarrow;
    ResultTable& m_table;
    const char* m_part;
    std::uint64_t m_floodBytes;
};
