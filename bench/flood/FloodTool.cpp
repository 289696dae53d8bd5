#include "FloodTool.h"

#include "FloodText.h"

#include <cstdio>
#include <vector>

namespace {

LONGLONG Now()
{
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

LONGLONG Frequency()
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

} // namespace

int FloodTool::Run(const FloodMode& mode)
{
    switch (mode.kind()) {
    case FloodMode::Kind::Flood:
        return Flood(mode.bytes());
    case FloodMode::Kind::Ticks:
        return Ticks(mode.intervalMs(), mode.count());
    case FloodMode::Kind::Silent:
        ::Sleep(mode.durationMs());
        return 0;
    case FloodMode::Kind::Line: {
        const std::string line = FloodText::Line(1);
        return Write(line.data(), line.size()) ? 0 : kWriteFailed;
    }
    case FloodMode::Kind::Leak:
        return Leak(mode.count());
    }
    return kUsage;
}

int FloodTool::Flood(std::uint64_t bytes)
{
    constexpr size_t kLinesPerWrite = kFloodWriteBytes / FloodText::kLineBytes;
    std::vector<char> buffer(kFloodWriteBytes);
    std::uint32_t nextLine = 1;
    std::uint64_t left = bytes;
    while (left > 0) {
        const size_t lines
            = left >= kFloodWriteBytes ? kLinesPerWrite : static_cast<size_t>(left / FloodText::kLineBytes);
        FloodText::Lines(nextLine, lines, buffer.data());
        const size_t length = lines * FloodText::kLineBytes;
        if (!Write(buffer.data(), length))
            return kWriteFailed;
        nextLine += static_cast<std::uint32_t>(lines);
        left -= length;
    }
    return 0;
}

int FloodTool::Ticks(DWORD intervalMs, unsigned count)
{
    // Each tick is due at a fixed offset from the start, so a late tick does
    // not push the later ones back.
    const LONGLONG start = Now();
    const LONGLONG perTick = Frequency() * intervalMs / 1000;
    for (unsigned tick = 1; tick <= count; ++tick) {
        const LONGLONG due = start + perTick * tick;
        for (LONGLONG now = Now(); now < due; now = Now()) {
            const LONGLONG waitMs = (due - now) * 1000 / Frequency();
            ::Sleep(waitMs > 1 ? static_cast<DWORD>(waitMs - 1) : 0);
        }
        char line[64];
        const int length
            = std::snprintf(line, sizeof line, "tick %05u %019lld\r\n", tick, static_cast<long long>(Now()));
        if (!Write(line, static_cast<size_t>(length)))
            return kWriteFailed;
    }
    return 0;
}

int FloodTool::Leak(unsigned count)
{
    // The reader counts our handles between "ready" and its go-ahead, and
    // again after "leaked"; the events stay open until the process ends.
    static const char kReady[] = "ready\r\n";
    static const char kLeaked[] = "leaked\r\n";
    if (!Write(kReady, sizeof kReady - 1))
        return kWriteFailed;
    if (!WaitForGo())
        return kHandshakeFailed;
    for (unsigned i = 0; i < count; ++i) {
        if (!::CreateEventW(nullptr, TRUE, FALSE, nullptr))
            return kHandshakeFailed;
    }
    if (!Write(kLeaked, sizeof kLeaked - 1))
        return kWriteFailed;
    WaitForGo();
    return 0;
}

bool FloodTool::Write(const char* bytes, size_t length)
{
    while (length > 0) {
        DWORD written = 0;
        if (!::WriteFile(m_output, bytes, static_cast<DWORD>(length), &written, nullptr) || written == 0)
            return false;
        bytes += written;
        length -= written;
    }
    return true;
}

bool FloodTool::WaitForGo()
{
    char go = 0;
    DWORD read = 0;
    return ::ReadFile(m_input, &go, 1, &read, nullptr) && read == 1;
}
