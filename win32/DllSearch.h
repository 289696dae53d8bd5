#pragma once

#include <windows.h>

// DLLs loaded by name come from the system folder only, so that one planted
// beside the program (a Downloads folder) is never taken for a system one.
// Called first thing by every program we ship. Windows 7 has the call only
// with KB2533623, hence it is looked up rather than imported.
inline void LoadDllsFromSystemFolderOnly()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories"))))
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
