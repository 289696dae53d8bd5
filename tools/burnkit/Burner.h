#pragma once

#include "BurnCommand.h"
#include "SimSettings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ConsoleWriter;
class DeviceMemory;
struct Design;
struct DeviceInfo;

// Plays the programmer: loads and checks a DAT file, then programs, verifies
// or erases the simulated part step by step, reporting each step in Chinese.
// Paths and other caller text appear only on early lines; the last line is
// always one of our fixed results.
class Burner {
public:
    static constexpr int kOk = 0;
    static constexpr int kFailed = 1;
    static constexpr int kUsage = 2;

    Burner(ConsoleWriter& out, SimSettings settings);

    int run(const std::vector<std::wstring>& args);

private:
    bool loadDat(const std::wstring& path, Design& design);
    bool openMemory(DeviceMemory& memory, const DeviceInfo& device, bool acceptDamaged);
    int program(const Design& design, const DeviceInfo& device, DeviceMemory& memory);
    int verify(const Design& design, const DeviceInfo& device, DeviceMemory& memory);
    int erase(const DeviceInfo& device, DeviceMemory& memory);

    void step(const wchar_t* verb, std::uint32_t first, std::uint32_t size, std::size_t index, std::size_t count);
    std::wstring address(std::uint32_t value) const;
    int fail(const std::wstring& message, int exitCode = kFailed);

    ConsoleWriter& out_;
    SimSettings settings_;
    int addressDigits_ = 4;
};
