#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Full path of a module, however long: an install folder may well pass the
// classic 260-character limit.
std::wstring ModuleFileName(HMODULE module);

// The growing-buffer loop behind it, for any call that fills a buffer the way
// GetModuleFileNameW does: it returns the characters copied, and a result
// equal to the buffer size means the text may have been cut.
std::wstring ReadGrowing(const std::function<DWORD(wchar_t* buffer, DWORD size)>& read);
