#include "BenchClock.h"

LONGLONG BenchClock::Now()
{
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

LONGLONG BenchClock::Frequency()
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        ::QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return frequency;
}

double BenchClock::Seconds(LONGLONG counterTicks)
{
    return static_cast<double>(counterTicks) / static_cast<double>(Frequency());
}
