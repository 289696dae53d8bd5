#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tooldouble {

// The line the double's "ticks" command prints: "tick", the sequence number
// from 1 as five digits and the performance counter at the moment of
// printing as nineteen, 32 bytes with the "\r\n". The counter runs on one
// clock for every process, so whoever sees the line knows how long it took
// to get there.
struct TickLine {
    std::uint32_t sequence = 0;
    std::int64_t printed = 0;

    std::string text() const;
    // A line of the log without its line break; nothing if it is no tick line.
    static std::optional<TickLine> parse(std::wstring_view line);
};

} // namespace tooldouble
