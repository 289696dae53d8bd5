#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

// One run of the double as its "args" command recorded it: what a tool sees
// of the command line Tarrow built. A record file collects one record per
// run, oldest first.
struct ArgsRecord {
    unsigned long pid = 0;
    std::wstring exe;
    std::wstring cwd;
    std::wstring commandLine; // GetCommandLineW, untouched
    std::vector<std::wstring> argv; // the C runtime's wmain argv
    std::vector<std::wstring> shellArgv; // CommandLineToArgvW of the same line
    std::string stdinKind; // "pipe", "char", "disk", "none" or "unknown"
    std::string stdoutKind;
    std::string stderrKind;
    std::map<std::string, std::wstring> fields; // every field, by key

    // Records in the order they were written; a damaged record (one missing
    // its "end" line, say) is dropped, so a count check catches it.
    static std::vector<ArgsRecord> parse(std::string_view text);
    static std::vector<ArgsRecord> load(const std::wstring& path);
};

} // namespace e2e
