#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

struct DeviceInfo {
    const char* name;
    std::uint32_t size; // bytes of programmable memory
    std::uint32_t pageSize; // what one programming step writes
    std::uint32_t sectorSize; // what one erase step blanks
};

// The simulated parts. Names are what STP files put after DEVICE and what
// DAT headers carry; they never exceed DeviceCatalog::kMaxNameLength.
class DeviceCatalog {
public:
    static constexpr std::size_t kMaxNameLength = 15;

    static const std::vector<DeviceInfo>& all();
    static const DeviceInfo* find(std::string_view name);
};
