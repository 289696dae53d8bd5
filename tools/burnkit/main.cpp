#include <windows.h>

#include "Burner.h"
#include "CommandLine.h"
#include "ConsoleWriter.h"

int main()
{
    // DLLs loaded by name come from the system folder only, so that one planted
    // beside the program is never taken for a system one. Windows 7 has the call
    // only with KB2533623, hence it is looked up rather than imported.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories"))))
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    ConsoleWriter out;
    Burner burner(out, SimSettings::fromEnvironment());
    return burner.run(CommandLine::arguments());
}
