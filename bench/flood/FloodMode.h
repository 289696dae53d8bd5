#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>

// What one run of flood.exe does, as written in FLOOD_MODE (Tarrow starts its
// tool with a fixed command line, so the benchmark reaches the tool only
// through the environment Tarrow hands on):
//
//   flood:<MB>                    that many megabytes of numbered lines, at once
//   ticks:<interval ms>:<run ms>  one time-stamped line per interval
//   silent:<ms>                   nothing at all for that long
//   line                          one line, then exit
//   leak:<count>                  handshake on stdin, opens handles it never closes
class FloodMode {
public:
    enum class Kind { Flood, Ticks, Silent, Line, Leak };

    static std::optional<FloodMode> Parse(std::wstring_view text);

    Kind kind() const { return m_kind; }
    // Flood: total bytes, a whole number of lines.
    std::uint64_t bytes() const { return m_bytes; }
    // Ticks: the period and the whole run; Silent: the run.
    DWORD intervalMs() const { return m_intervalMs; }
    DWORD durationMs() const { return m_durationMs; }
    // Ticks: lines to write; Leak: handles to open.
    unsigned count() const { return m_count; }

private:
    Kind m_kind = Kind::Line;
    std::uint64_t m_bytes = 0;
    DWORD m_intervalMs = 0;
    DWORD m_durationMs = 0;
    unsigned m_count = 0;
};
