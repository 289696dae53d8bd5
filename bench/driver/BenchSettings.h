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
    // A Tarrow that has not shown a flood by then is given up on.
    DWORD floodDeadlineMs = 60000;

    DWORD tickIntervalMs = 100;
    DWORD tickRunMs = 10000;
    DWORD silentMs = 10000;
    unsigned soakRuns = 300;
    double profileMegabytes = 16;
};
