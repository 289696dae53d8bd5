#pragma once

#include "Design.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class DatError {
    None,
    Empty,
    NotDat, // wrong magic number
    UnsupportedVersion,
    Truncated, // shorter than its header or than the payload it announces
    TrailingData,
    HeaderCorrupt, // header checksum or fields wrong
    UnknownDevice,
    PayloadCorrupt, // payload checksum wrong
    BadLayout, // checksum fine but segments overlap or leave the device
};

struct DatResult {
    DatError error = DatError::None;
    std::uint32_t payloadCrc = 0;
    Design design;

    bool ok() const { return error == DatError::None; }
    std::wstring reason() const;
};

// The binary form burnkit reads. All numbers little-endian:
//   0  char[4]  magic "TRWD"
//   4  u16      format version (1)
//   6  u16      header size (72)
//   8  char[16] device name, NUL-padded
//  24  char[32] design name, NUL-padded
//  56  u32      segment count
//  60  u32      payload length
//  64  u32      CRC-32 of the payload
//  68  u32      CRC-32 of bytes 0-67
//  72  payload: per segment u32 address, u32 length, then the bytes
class DatFile {
public:
    static constexpr std::uint16_t kVersion = 1;
    static constexpr std::size_t kHeaderSize = 72;

    // Throws std::invalid_argument for names that do not fit the header or no data.
    static std::vector<std::uint8_t> encode(const Design& design);
    static DatResult decode(const std::uint8_t* data, std::size_t size);
};
