#include "ModuleState.h"

namespace {
HINSTANCE g_instance = nullptr;
std::wstring g_appName;
} // namespace

void ModuleState::Initialise(HINSTANCE instance, const std::wstring& appName)
{
    g_instance = instance;
    g_appName = appName;
}

HINSTANCE ModuleState::Instance()
{
    return g_instance ? g_instance : ::GetModuleHandleW(nullptr);
}

const std::wstring& ModuleState::AppName()
{
    return g_appName;
}

HINSTANCE AfxGetInstanceHandle()
{
    return ModuleState::Instance();
}

std::wstring AfxGetAppName()
{
    return ModuleState::AppName();
}
