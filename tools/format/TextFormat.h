#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Only for text already known to be ASCII (device and design names, numbers).
std::wstring widenAscii(std::string_view text);

// "0x1A2B", zero-padded to at least `digits` hex digits.
std::wstring hexNumber(std::uint32_t value, int digits);
