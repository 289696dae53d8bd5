#include "ModulePath.h"

namespace {

// The longest path the platform accepts, with room for the terminator.
constexpr DWORD kMaxPathChars = 32768;

} // namespace

std::wstring ReadGrowing(const std::function<DWORD(wchar_t* buffer, DWORD size)>& read)
{
    std::wstring text(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(text.size());
        const DWORD length = read(&text[0], size);
        if (length == 0)
            return std::wstring();
        if (length < size) {
            text.resize(length);
            return text;
        }
        if (size >= kMaxPathChars)
            return std::wstring();
        text.resize(size * 2 > kMaxPathChars ? kMaxPathChars : size * 2);
    }
}

std::wstring ModuleFileName(HMODULE module)
{
    return ReadGrowing([module](wchar_t* buffer, DWORD size) { return ::GetModuleFileNameW(module, buffer, size); });
}
