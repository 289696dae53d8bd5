#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Segment {
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;

    std::uint64_t end() const { return std::uint64_t{address} + bytes.size(); }
    bool operator==(const Segment& o) const { return address == o.address && bytes == o.bytes; }
};

// What an STP file describes and a DAT file stores: the data for one device.
// Segments are ascending and never overlap; the STP parser also merges touching ones.
struct Design {
    static constexpr std::size_t kMaxNameLength = 31;

    std::string device;
    std::string name;
    std::vector<Segment> segments;

    std::size_t dataSize() const;
    bool operator==(const Design& o) const { return device == o.device && name == o.name && segments == o.segments; }

    // Names travel into fixed header fields and log lines, so they stay short plain ASCII.
    static bool isValidName(std::string_view name);
};
