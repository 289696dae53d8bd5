#include "ConversionCheck.h"

#include <windows.h>

namespace ConversionCheck {

bool IsSpace(wchar_t c)
{
    if (c < 256)
        return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0;
    WORD type = 0;
    return ::GetStringTypeW(CT_CTYPE1, &c, 1, &type) && (type & C1_SPACE) != 0;
}

std::wstring Trim(const std::wstring& line)
{
    size_t end = line.size();
    while (end > 0 && IsSpace(line[end - 1]))
        --end;
    size_t start = 0;
    while (start < end && IsSpace(line[start]))
        ++start;
    return line.substr(start, end - start);
}

std::wstring LastMeaningfulLine(int firstLine, int lastLine, const std::function<std::wstring(int)>& lineAt)
{
    for (int index = lastLine; index >= firstLine; --index) {
        std::wstring trimmed = Trim(lineAt(index));
        if (!trimmed.empty())
            return trimmed;
    }
    return std::wstring();
}

bool HasSuccessMarker(const std::wstring& line)
{
    return line.find(kSuccessMarker) != std::wstring::npos;
}

bool IsStpPath(const std::wstring& path)
{
    if (path.size() < 4)
        return false;
    const std::wstring tail = path.substr(path.size() - 4);
    return ::CompareStringOrdinal(tail.c_str(), 4, L".stp", 4, TRUE) == CSTR_EQUAL;
}

std::wstring DatPathFor(const std::wstring& stpPath)
{
    return stpPath.substr(0, stpPath.size() - 3) + L"dat";
}

} // namespace ConversionCheck
