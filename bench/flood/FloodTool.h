#pragma once

#include "FloodMode.h"

#include <windows.h>

#include <cstddef>

// Does what a FloodMode says on the given standard handles. Each output
// call is one WriteFile, so what the reader gets is never held back in a
// runtime buffer.
class FloodTool {
public:
    // Exit codes besides 0.
    static constexpr int kUsage = 2;
    static constexpr int kWriteFailed = 4;
    static constexpr int kHandshakeFailed = 5;

    // Bytes per write while flooding: 1,024 whole lines.
    static constexpr size_t kFloodWriteBytes = 64 * 1024;

    FloodTool(HANDLE output, HANDLE input)
        : m_output(output)
        , m_input(input)
    {
    }

    int Run(const FloodMode& mode);

private:
    int Flood(std::uint64_t bytes);
    int Ticks(DWORD intervalMs, unsigned count);
    int Leak(unsigned count);
    bool Write(const char* bytes, size_t length);
    bool WaitForGo();

    HANDLE m_output;
    HANDLE m_input;
};
