#pragma once

#include "BenchPart.h"

// Whether Tarrow's log lasts a week of a talkative tool: a fresh Tarrow per
// size takes a flood of the double's 64-byte lines (16 MB, then 256 MB), and
// the part shows the time per MB, the private memory Tarrow takes over the
// flood per byte of the log's text (UTF-16, two bytes a character) and the
// largest block of committed private memory after it. The x86 release has
// one 32-bit address space to hold the log in, where one allocation of
// hundreds of megabytes may find no room even with memory to spare, so no
// block may grow beyond 64 MB and the log may cost little more than its text.
// On the long log, the operator's record is measured too (RecordBench):
// saving it and finding in it.
class LongLogBench : public BenchPart {
public:
    using BenchPart::BenchPart;

    // The goals, for the long flood. Private memory: at most this many bytes
    // per byte of the log's text, and an allowance for all the rest.
    static constexpr double kBytesPerTextByte = 1.25;
    static constexpr double kAllowanceBytes = 16.0 * 1024 * 1024;
    static constexpr double kLargestBlockBytes = 64.0 * 1024 * 1024;
    // Its time per MB against that of the shorter flood.
    static constexpr double kPerMegabyteRatio = 1.25;

    void Run();

    // The memory goal on the whole growth: a small log may take more than
    // 1.25 bytes a byte within the allowance, a long one may not.
    static bool MemoryGoalMet(double growthBytes, double textBytes);
};
