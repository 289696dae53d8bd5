#include "Encoding.h"

#include <windows.h>

#include <cwctype>

namespace testkit::encoding {
namespace {

std::wstring toWide(UINT codePage, std::string_view bytes)
{
    if (bytes.empty())
        return {};
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    return wide;
}

std::string toNarrow(UINT codePage, std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    if (length > 0)
        ::WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

} // namespace

std::wstring fromUtf8(std::string_view text)
{
    return toWide(CP_UTF8, text);
}
std::string toUtf8(std::wstring_view text)
{
    return toNarrow(CP_UTF8, text);
}
std::wstring fromAnsi(std::string_view bytes)
{
    return toWide(CP_ACP, bytes);
}
std::string toAnsi(std::wstring_view text)
{
    return toNarrow(CP_ACP, text);
}

std::wstring upperCase(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

std::string toRecordValue(std::wstring_view value)
{
    std::string escaped;
    for (char c : toUtf8(value)) {
        if (c == '%')
            escaped += "%25";
        else if (c == '\r')
            escaped += "%0D";
        else if (c == '\n')
            escaped += "%0A";
        else
            escaped += c;
    }
    return escaped;
}

std::wstring fromRecordValue(std::string_view value)
{
    const auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0'
            : c >= 'a' && c <= 'f'  ? c - 'a' + 10
            : c >= 'A' && c <= 'F'  ? c - 'A' + 10
                                    : -1;
    };
    std::string bytes;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const int high = value[i] == '%' && i + 2 < value.size() ? digit(value[i + 1]) : -1;
        const int low = high >= 0 ? digit(value[i + 2]) : -1;
        if (low >= 0) {
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += value[i];
        }
    }
    return fromUtf8(bytes);
}

} // namespace testkit::encoding
