#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tooldouble {

enum class Verb {
    Write,
    Filler,
    Ticks,
    FloodTimed,
    Sleep,
    WaitFile,
    Touch,
    Args,
    Handle,
    Spawn,
    Leak,
    CloseStd,
    Crash,
    Exit
};
enum class Stream { Out, Err };

struct Command {
    Verb verb = Verb::Write;
    int line = 0;
    Stream stream = Stream::Out;
    std::string bytes; // Write: exactly what goes to the stream
    std::uint64_t amount = 0; // Filler: bytes; Sleep: milliseconds; Ticks: lines; Leak: handles; Handle: its value
    unsigned width = 0; // Filler: line width
    unsigned intervalMs = 0; // Ticks: from one line to the next
    std::wstring path; // WaitFile, Touch, Args, Handle, Spawn, FloodTimed: absolute
    std::uint32_t exitCode = 0; // Exit
};

class ScriptError : public std::runtime_error {
public:
    ScriptError(int line, const std::string& message);
    int line() const { return line_; }

private:
    int line_;
};

// A parsed script for the double (the language is described in README.md).
// The whole script is checked before the double does anything, so a typo
// fails the run up front instead of halfway through.
class Script {
public:
    // Relative paths in the script resolve against baseDirectory.
    static Script parse(std::string_view text, const std::wstring& baseDirectory);
    static Script load(const std::wstring& path);

    // "out"/"err" text: escapes resolved, text runs converted from UTF-8 to
    // the ANSI code page, \xNN kept as raw bytes.
    static std::string decodeText(std::string_view text);
    // "outraw"/"errraw" operand: hex byte pairs, blanks between them allowed.
    static std::string decodeHex(std::string_view text);

    const std::vector<Command>& commands() const { return commands_; }

private:
    std::vector<Command> commands_;
};

} // namespace tooldouble
