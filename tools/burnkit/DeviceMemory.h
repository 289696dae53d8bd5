#pragma once

#include "DeviceCatalog.h"
#include <UniqueAny.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The simulated part's memory: a file of exactly the device's size, kept
// between runs. A missing file is a factory-fresh (blank, all 0xFF) part.
// While open, other burnkit runs cannot reach the same part.
class DeviceMemory {
public:
    static constexpr std::uint8_t kBlank = 0xFF;

    enum class Status { Ok, FolderFailed, Busy, WrongSize, Failed };

    Status open(const std::wstring& folder, const DeviceInfo& device);

    const std::wstring& path() const { return path_; }
    DWORD lastError() const { return error_; }
    const std::vector<std::uint8_t>& contents() const { return contents_; }
    bool isBlank() const;

    bool write(std::uint32_t address, const std::uint8_t* data, std::uint32_t size);
    bool erase(std::uint32_t address, std::uint32_t size);
    // After an erase of a damaged memory file: cut it back to the device's size.
    bool trimToDevice();
    bool flush();

private:
    bool fail();

    std::wstring path_;
    UniqueFile file_;
    std::vector<std::uint8_t> contents_;
    DWORD error_ = 0;
};
