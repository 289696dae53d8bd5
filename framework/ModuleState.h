#pragma once

#include <windows.h>

#include <string>

// What every part of the framework may ask about the running program: the
// instance its resources come from and the application name that captions
// its message boxes. The application object sets both once, at start-up.
class ModuleState {
public:
    static void Initialise(HINSTANCE instance, const std::wstring& appName);

    // The program's own module until start-up has named one.
    static HINSTANCE Instance();
    static const std::wstring& AppName();
};

HINSTANCE AfxGetInstanceHandle();
std::wstring AfxGetAppName();
