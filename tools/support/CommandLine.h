#pragma once

#include <string>
#include <vector>

// The process's own arguments as UTF-16, without the program name. Read from
// GetCommandLineW so Chinese paths survive whatever the ANSI code page is.
class CommandLine {
public:
    static std::vector<std::wstring> arguments();
};
