#pragma once

#include "UniqueAny.h"

#include <windows.h>

// A DLL of the system's own that is not among those Windows always takes
// from the system folder: loaded by its full path there, so that a copy
// planted beside the program is never taken in its place. None if it is not
// there.
UniqueModule LoadSystemLibrary(const wchar_t* name);

// The function of that name in module, as the pointer type it is known by;
// null where the module has none (an older system).
template <typename Function> void LookUp(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}
