#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Only for text already known to be ASCII (device and design names, numbers).
std::wstring widenAscii(std::string_view text);

// "0x1A2B", zero-padded to at least `digits` hex digits.
std::wstring hexNumber(std::uint32_t value, int digits);

// The text without the spaces and tabs at either end.
std::string_view trimBlanks(std::string_view text);

// 0-15 for a hex digit in either case, -1 for anything else.
int hexDigitValue(char c);
