#pragma once

#include <windows.h>

// The performance counter, which under Wine (as on Windows) runs on one
// clock for every process, so stamps written by the tool compare directly
// with ours.
class BenchClock {
public:
    static LONGLONG Now();
    static LONGLONG Frequency();
    static double Seconds(LONGLONG counterTicks);
    static double Milliseconds(LONGLONG counterTicks) { return Seconds(counterTicks) * 1000.0; }
    static double SecondsSince(LONGLONG start) { return Seconds(Now() - start); }
};
