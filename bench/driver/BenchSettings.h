#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What one benchmark run measures and with which programs.
struct BenchSettings {
    std::wstring tarrowExe;
    std::wstring baselineExe; // the build with the standard edit control; empty: none

    std::vector<double> floodMegabytes{1, 4, 16};
    // Runs per flood size, of Tarrow and of each reader: the median counts.
    // The machine is shared, so single runs wander.
    unsigned repeat = 3;
    double baselineMegabytes = 1;
    // A Tarrow that has not shown a flood by then is given up on: the
    // deadline is for a flood of up to deadlineMegabytes, and a longer one
    // gets time in proportion (the long log's 256 MB sixteen times as much),
    // so that only a stuck Tarrow runs into it whatever the size.
    DWORD floodDeadlineMs = 60000;
    double deadlineMegabytes = 16;
    DWORD FloodDeadlineMs(double megabytes) const
    {
        const double scale = megabytes > deadlineMegabytes ? megabytes / deadlineMegabytes : 1.0;
        const double milliseconds = floodDeadlineMs * scale;
        return milliseconds < MAXDWORD ? static_cast<DWORD>(milliseconds) : MAXDWORD;
    }

    DWORD tickIntervalMs = 100;
    DWORD tickRunMs = 10000;
    DWORD silentMs = 10000;
    unsigned soakRuns = 300;
    double profileMegabytes = 16;
    // The long log and a shorter flood, each in a fresh Tarrow: the long
    // one's time per MB is judged against the shorter one's.
    double longLogMegabytes = 256;
    double longLogReferenceMegabytes = 16;
};
