#include "TextFormat.h"

std::wstring widenAscii(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'?');
    return out;
}

std::wstring hexNumber(std::uint32_t value, int digits)
{
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring hex;
    do {
        hex.insert(hex.begin(), kDigits[value & 0xFu]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(hex.size()) < digits)
        hex.insert(hex.begin(), L'0');
    return L"0x" + hex;
}

std::string_view trimBlanks(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
