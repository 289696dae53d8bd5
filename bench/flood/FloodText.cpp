#include "FloodText.h"

#include <cmath>

std::string FloodText::Line(std::uint32_t number)
{
    std::string line(kLineBytes, '\0');
    Lines(number, 1, line.data());
    return line;
}

void FloodText::Lines(std::uint32_t first, size_t count, char* out)
{
    static const char kPrefix[] = "flood ";
    constexpr size_t kPrefixLength = sizeof kPrefix - 1;
    constexpr size_t kDigits = 8;
    for (size_t i = 0; i < count; ++i) {
        const std::uint32_t number = first + static_cast<std::uint32_t>(i);
        char* line = out + i * kLineBytes;
        for (size_t c = 0; c < kPrefixLength; ++c)
            line[c] = kPrefix[c];
        std::uint32_t rest = number;
        for (size_t d = kDigits; d > 0; --d) {
            line[kPrefixLength + d - 1] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        }
        size_t at = kPrefixLength + kDigits;
        line[at++] = ' ';
        for (unsigned letter = number % 26; at < kLineBytes - 2; ++at, letter = (letter + 1) % 26)
            line[at] = static_cast<char>('a' + letter);
        line[kLineBytes - 2] = '\r';
        line[kLineBytes - 1] = '\n';
    }
}

std::uint64_t FloodText::BytesFor(double megabytes)
{
    const double lines = std::floor(megabytes * 1048576.0 / kLineBytes);
    return static_cast<std::uint64_t>(lines) * kLineBytes;
}
