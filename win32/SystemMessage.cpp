#include "SystemMessage.h"

#include "UniqueAny.h"

std::wstring SystemMessage(DWORD error)
{
    UniqueLocal<wchar_t*> buffer;
    const DWORD length
        = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, error, 0, reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
    std::wstring text;
    if (length > 0 && buffer)
        text.assign(buffer.get(), length);
    while (
        !text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    return L"系统错误 " + std::to_wstring(error) + (text.empty() ? L"" : L"：" + text);
}
