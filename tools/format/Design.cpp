#include "Design.h"

std::size_t Design::dataSize() const
{
    std::size_t total = 0;
    for (const Segment& s : segments)
        total += s.bytes.size();
    return total;
}

bool Design::isValidName(std::string_view name)
{
    if (name.empty() || name.size() > kMaxNameLength)
        return false;
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'
            || c == '-' || c == '.';
        if (!ok)
            return false;
    }
    return true;
}
