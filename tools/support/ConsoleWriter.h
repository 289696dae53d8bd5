#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Writes whole lines to standard output in the ANSI code page with CRLF ends.
// Each line is one WriteFile call with no buffering in between, so a parent
// reading our pipe sees every line the moment it is written.
class ConsoleWriter {
public:
    ConsoleWriter();

    void line(std::wstring_view text);

private:
    // Borrowed from the process, not owned: closing it would cut off later output.
    HANDLE out_;
};
