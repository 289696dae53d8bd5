#include "CommandLine.h"

std::wstring QuoteArgument(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            // Each backslash before a literal quote is doubled, then the
            // quote itself is escaped.
            quoted.append(backslashes * 2 + 1, L'\\');
            quoted.push_back(L'"');
        } else {
            quoted.append(backslashes, L'\\');
            quoted.push_back(c);
        }
        backslashes = 0;
    }
    // The closing quote must not be escaped by a trailing backslash.
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

std::wstring DeviceCommandLine(const std::wstring& tool, const std::wstring& option, const std::wstring& file)
{
    return QuoteArgument(tool) + L" " + option + L" " + QuoteArgument(file);
}

std::wstring ConverterCommandLine(const std::wstring& converter, const std::wstring& input, const std::wstring& output)
{
    return QuoteArgument(converter) + L" " + QuoteArgument(input) + L" " + QuoteArgument(output);
}
