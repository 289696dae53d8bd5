#pragma once

#include <string>

// Wraps one argument in double quotes so that the C runtime's command-line
// parser (and CommandLineToArgvW) gives it back exactly, as one argument.
// Only backslashes that end up before a quote are doubled, so an ordinary
// path reads exactly as it was typed, inside the quotes.
std::wstring QuoteArgument(const std::wstring& argument);

// "<tool>" <option> "<file>"
std::wstring DeviceCommandLine(const std::wstring& tool, const std::wstring& option, const std::wstring& file);
// "<converter>" "<input>" "<output>"
std::wstring ConverterCommandLine(const std::wstring& converter, const std::wstring& input, const std::wstring& output);
