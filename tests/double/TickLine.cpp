#include "TickLine.h"

#include <cstdio>
#include <cwchar>

namespace tooldouble {

std::string TickLine::text() const
{
    char line[64];
    const int length = std::snprintf(
        line, sizeof line, "tick %05u %019lld\r\n", static_cast<unsigned>(sequence), static_cast<long long>(printed));
    return std::string(line, static_cast<std::size_t>(length));
}

std::optional<TickLine> TickLine::parse(std::wstring_view line)
{
    if (line.substr(0, 5) != L"tick " || line.size() > 64)
        return std::nullopt;
    const std::wstring text(line);
    unsigned sequence = 0;
    long long printed = 0;
    if (std::swscanf(text.c_str(), L"tick %u %lld", &sequence, &printed) != 2)
        return std::nullopt;
    return TickLine{sequence, printed};
}

} // namespace tooldouble
