#pragma once

#include <windows.h>

#include <string>
#include <vector>

// How the simulated programmer behaves, taken from the environment so tests
// and demos can change it without touching the command line Tarrow uses:
//   BURNKIT_DEVICE_DIR  folder holding the device memories
//                       (default %LOCALAPPDATA%\TarrowSim)
//   BURNKIT_STEP_MS     pause per programming/verify/erase step, 0 = none
//   BURNKIT_DEVICE      part in the socket; unset = whatever the DAT file names
struct SimSettings {
    static constexpr DWORD kDefaultStepMs = 150;
    static constexpr DWORD kMaxStepMs = 60000;

    std::wstring deviceDir;
    DWORD stepMs = kDefaultStepMs;
    std::wstring attachedDevice;
    std::vector<std::wstring> warnings;

    static SimSettings fromEnvironment();
};
