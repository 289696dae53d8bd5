#include "CWinApp.h"

// The program's entry point lives in the framework, as the application
// object is the program's real start: it must exist before anything runs.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // DLLs loaded by name come from the system folder only, so that one planted
    // beside the program is never taken for a system one. Windows 7 has the call
    // only with KB2533623, hence it is looked up rather than imported.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories"))))
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    app->InitApplication(instance);
    if (!app->InitInstance())
        return 0;
    return 0;
}
