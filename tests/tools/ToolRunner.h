#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct ToolRun {
    DWORD exitCode = 0;
    bool timedOut = false;
    bool crlfOnly = true; // every line break was "\r\n"
    std::vector<std::wstring> lines; // decoded from the ANSI code page

    std::wstring lastNonBlankLine() const;
    std::wstring allText() const;
};

// Runs a console tool as Tarrow would, hidden, with stdout and stderr merged
// into one pipe, everything read until the tool exits.
class ToolRunner {
public:
    static ToolRun run(const std::wstring& exe, const std::vector<std::wstring>& args, DWORD timeoutMs = 120000);
};

// Turns a build-time path ("/work/...") into one the tools can open ("Z:\work\...").
std::wstring hostPath(const char* utf8Path);

// Files as the tools' tests compare them: a file that cannot be read is empty;
// one that cannot be written fails the test.
using Bytes = std::vector<std::uint8_t>;
Bytes fileBytes(const std::wstring& path);
void putFile(const std::wstring& path, const Bytes& bytes);
void putFile(const std::wstring& path, const std::string& bytes);
