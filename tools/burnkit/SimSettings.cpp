#include "SimSettings.h"

namespace {

std::wstring environmentVariable(const wchar_t* name)
{
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0)
        return {};
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), needed);
    if (length == 0 || length >= needed)
        return {};
    value.resize(length);
    return value;
}

std::wstring defaultDeviceDir()
{
    std::wstring base = environmentVariable(L"LOCALAPPDATA");
    if (base.empty()) {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        if (length > 0 && length <= MAX_PATH)
            base.assign(temp, length);
    }
    if (!base.empty() && base.back() != L'\\' && base.back() != L'/')
        base += L'\\';
    return base + L"TarrowSim";
}

} // namespace

SimSettings SimSettings::fromEnvironment()
{
    SimSettings s;
    s.deviceDir = environmentVariable(L"BURNKIT_DEVICE_DIR");
    if (s.deviceDir.empty())
        s.deviceDir = defaultDeviceDir();

    const std::wstring step = environmentVariable(L"BURNKIT_STEP_MS");
    if (!step.empty()) {
        unsigned long value = 0;
        bool ok = step.size() <= 5;
        for (wchar_t c : step) {
            ok = ok && c >= L'0' && c <= L'9';
            value = value * 10 + static_cast<unsigned long>(c - L'0');
        }
        if (ok && value <= kMaxStepMs)
            s.stepMs = static_cast<DWORD>(value);
        else
            s.warnings.push_back(L"警告：BURNKIT_STEP_MS 应为 0-60000 的整数，已使用默认值 "
                + std::to_wstring(kDefaultStepMs) + L" 毫秒。");
    }

    s.attachedDevice = environmentVariable(L"BURNKIT_DEVICE");
    return s;
}
