#include "DatFile.h"

#include "Crc32.h"
#include "DeviceCatalog.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

namespace {

constexpr char kMagic[4] = {'T', 'R', 'W', 'D'};
constexpr std::size_t kDeviceField = 8;
constexpr std::size_t kDeviceFieldSize = 16;
constexpr std::size_t kDesignField = 24;
constexpr std::size_t kDesignFieldSize = 32;
constexpr std::size_t kSegmentCountField = 56;
constexpr std::size_t kPayloadLengthField = 60;
constexpr std::size_t kPayloadCrcField = 64;
constexpr std::size_t kHeaderCrcField = 68;

void putU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void putU32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t getU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t getU32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

// A field holds the name, then NULs up to its end; anything else is corruption.
bool readName(const std::uint8_t* field, std::size_t fieldSize, std::string& name)
{
    const void* nul = std::memchr(field, 0, fieldSize);
    if (!nul)
        return false;
    const auto length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - field);
    for (std::size_t i = length; i < fieldSize; ++i)
        if (field[i] != 0)
            return false;
    name.assign(reinterpret_cast<const char*>(field), length);
    return true;
}

} // namespace

std::wstring DatResult::reason() const
{
    switch (error) {
    case DatError::None:
        return L"没有错误。";
    case DatError::Empty:
        return L"文件为空。";
    case DatError::NotDat:
        return L"不是 DAT 数据文件。";
    case DatError::UnsupportedVersion:
        return L"不支持的 DAT 文件版本。";
    case DatError::Truncated:
        return L"文件不完整（被截断）。";
    case DatError::TrailingData:
        return L"文件末尾有多余数据。";
    case DatError::HeaderCorrupt:
        return L"文件头已损坏。";
    case DatError::UnknownDevice:
        return L"文件所指的器件型号未知。";
    case DatError::PayloadCorrupt:
        return L"数据校验和（CRC-32）不符，文件已损坏。";
    case DatError::BadLayout:
        return L"数据段地址无效，文件已损坏。";
    }
    return L"未知错误。";
}

std::vector<std::uint8_t> DatFile::encode(const Design& design)
{
    if (design.device.empty() || design.device.size() > DeviceCatalog::kMaxNameLength)
        throw std::invalid_argument("device name does not fit the DAT header");
    if (design.name.empty() || design.name.size() > Design::kMaxNameLength)
        throw std::invalid_argument("design name does not fit the DAT header");
    if (design.segments.empty())
        throw std::invalid_argument("a DAT file needs at least one segment");

    std::vector<std::uint8_t> out(kHeaderSize, 0);
    for (const Segment& s : design.segments) {
        const std::size_t at = out.size();
        out.resize(at + 8 + s.bytes.size());
        putU32(&out[at], s.address);
        putU32(&out[at + 4], static_cast<std::uint32_t>(s.bytes.size()));
        if (!s.bytes.empty())
            std::memcpy(&out[at + 8], s.bytes.data(), s.bytes.size());
    }

    std::uint8_t* h = out.data();
    std::memcpy(h, kMagic, sizeof kMagic);
    putU16(h + 4, kVersion);
    putU16(h + 6, static_cast<std::uint16_t>(kHeaderSize));
    std::memcpy(h + kDeviceField, design.device.data(), design.device.size());
    std::memcpy(h + kDesignField, design.name.data(), design.name.size());
    putU32(h + kSegmentCountField, static_cast<std::uint32_t>(design.segments.size()));
    putU32(h + kPayloadLengthField, static_cast<std::uint32_t>(out.size() - kHeaderSize));
    putU32(h + kPayloadCrcField, Crc32::of(h + kHeaderSize, out.size() - kHeaderSize));
    putU32(h + kHeaderCrcField, Crc32::of(h, kHeaderCrcField));
    return out;
}

DatResult DatFile::decode(const std::uint8_t* data, std::size_t size)
{
    DatResult r;
    auto failed = [&r](DatError e) {
        r.error = e;
        r.design = Design{};
        return r;
    };

    if (size == 0)
        return failed(DatError::Empty);
    if (size < sizeof kMagic)
        return failed(std::memcmp(data, kMagic, size) == 0 ? DatError::Truncated : DatError::NotDat);
    if (std::memcmp(data, kMagic, sizeof kMagic) != 0)
        return failed(DatError::NotDat);
    if (size < 8)
        return failed(DatError::Truncated);
    // A later version may lay its header out differently, so check this first.
    if (getU16(data + 4) != kVersion)
        return failed(DatError::UnsupportedVersion);
    if (size < kHeaderSize)
        return failed(DatError::Truncated);
    if (getU32(data + kHeaderCrcField) != Crc32::of(data, kHeaderCrcField) || getU16(data + 6) != kHeaderSize)
        return failed(DatError::HeaderCorrupt);
    if (!readName(data + kDeviceField, kDeviceFieldSize, r.design.device)
        || !readName(data + kDesignField, kDesignFieldSize, r.design.name) || !Design::isValidName(r.design.name))
        return failed(DatError::HeaderCorrupt);
    const DeviceInfo* device = DeviceCatalog::find(r.design.device);
    if (!device)
        return failed(DatError::UnknownDevice);

    const std::uint32_t payloadLength = getU32(data + kPayloadLengthField);
    if (size - kHeaderSize < payloadLength)
        return failed(DatError::Truncated);
    if (size - kHeaderSize > payloadLength)
        return failed(DatError::TrailingData);
    r.payloadCrc = Crc32::of(data + kHeaderSize, payloadLength);
    if (r.payloadCrc != getU32(data + kPayloadCrcField))
        return failed(DatError::PayloadCorrupt);

    const std::uint32_t count = getU32(data + kSegmentCountField);
    const std::uint8_t* p = data + kHeaderSize;
    const std::uint8_t* end = p + payloadLength;
    std::uint64_t previousEnd = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (end - p < 8)
            return failed(DatError::BadLayout);
        const std::uint32_t address = getU32(p);
        const std::uint32_t length = getU32(p + 4);
        p += 8;
        const bool ordered = i == 0 || address >= previousEnd;
        if (length == 0 || !ordered || std::uint64_t{address} + length > device->size
            || static_cast<std::uint64_t>(end - p) < length)
            return failed(DatError::BadLayout);
        r.design.segments.push_back(Segment{address, std::vector<std::uint8_t>(p, p + length)});
        p += length;
        previousEnd = std::uint64_t{address} + length;
    }
    if (count == 0 || p != end)
        return failed(DatError::BadLayout);
    return r;
}
