// flood.exe: a stand-in for Tarrow's device tool that prints as much, as
// often or as little as a benchmark needs. The mode comes from the first
// argument when that is one, else from FLOOD_MODE (see FloodMode.h).
#include "FloodMode.h"
#include "FloodTool.h"

#include <windows.h>

#include <string>

namespace {

std::wstring Variable(const wchar_t* name)
{
    const DWORD length = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0)
        return {};
    std::wstring value(length, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), length));
    return value;
}

void Complain(const char* text)
{
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::char_traits<char>::length(text)),
        &written, nullptr);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::optional<FloodMode> mode;
    if (argc > 1)
        mode = FloodMode::Parse(argv[1]);
    if (!mode) {
        const std::wstring variable = Variable(L"FLOOD_MODE");
        mode = FloodMode::Parse(variable);
    }
    if (!mode) {
        Complain("flood: no mode; set FLOOD_MODE to flood:<MB>, ticks:<interval ms>:<run ms>, silent:<ms>, line or "
                 "leak:<count>\r\n");
        return FloodTool::kUsage;
    }
    FloodTool tool(::GetStdHandle(STD_OUTPUT_HANDLE), ::GetStdHandle(STD_INPUT_HANDLE));
    return tool.Run(*mode);
}
