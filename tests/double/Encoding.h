#pragma once

#include <string>
#include <string_view>

// Conversions between the text forms the double and the harness meet: UTF-8
// in scripts and record files, UTF-16 in Win32 calls, and the ANSI code page
// the console tools print in.
namespace testkit::encoding {

std::wstring fromUtf8(std::string_view text);
std::string toUtf8(std::wstring_view text);

std::wstring fromAnsi(std::string_view bytes);
std::string toAnsi(std::wstring_view text);

// For what Windows compares without regard to case: variable names, paths.
std::wstring upperCase(std::wstring text);

// Values in the line-based UTF-8 record files (the double's args records,
// the probe's answers): only what would break a line is escaped, as %25
// %0D %0A, so Windows paths stay readable.
std::string toRecordValue(std::wstring_view value);
std::wstring fromRecordValue(std::string_view value);

} // namespace testkit::encoding
