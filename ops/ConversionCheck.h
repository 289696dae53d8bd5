#pragma once

#include <functional>
#include <string>

// How a conversion is judged: the converter's last line that is not blank
// must carry the marker. Lines are read back from the log, at most
// kMaxLineChars characters of each.
namespace ConversionCheck {

constexpr int kMaxLineChars = 1028;
constexpr wchar_t kSuccessMarker[] = L"Done.";

// White space as the C runtime's wide-character test sees it: the ASCII
// controls tab to carriage return, space, U+00A0, and above 255 what the
// platform's character data marks as space. U+0085 is not white space.
bool IsSpace(wchar_t c);
std::wstring Trim(const std::wstring& line);

// Last line, from lastLine down to firstLine, that is not empty once
// trimmed; empty if there is none.
std::wstring LastMeaningfulLine(int firstLine, int lastLine, const std::function<std::wstring(int)>& lineAt);

bool HasSuccessMarker(const std::wstring& line);

// "name.stp" in any letter case, judged by the last four characters.
bool IsStpPath(const std::wstring& path);
// The same path ending in "dat" instead of its last three characters.
std::wstring DatPathFor(const std::wstring& stpPath);

} // namespace ConversionCheck
