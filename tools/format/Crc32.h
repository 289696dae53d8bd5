#pragma once

#include <cstddef>
#include <cstdint>

// CRC-32 as used by zip and PNG (reflected, polynomial 0xEDB88320), so a DAT
// file's checksums can be cross-checked with any common tool.
class Crc32 {
public:
    void update(const void* data, std::size_t size);
    std::uint32_t value() const { return ~state_; }

    static std::uint32_t of(const void* data, std::size_t size);

private:
    std::uint32_t state_ = 0xFFFFFFFFu;
};
