#pragma once

#include "Script.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tooldouble {

// Carries out a parsed script as the running double.
class ScriptRunner {
public:
    // Exit codes of the double's own failures (README.md lists them too).
    static constexpr std::uint32_t kExitWaitGaveUp = 3;
    static constexpr std::uint32_t kExitStreamClosed = 4;
    static constexpr std::uint32_t kExitSpawnFailed = 5;
    static constexpr std::uint32_t kExitFileFailed = 6; // also: leak could not open a handle
    static constexpr std::uint32_t kExitScriptError = 99;

    static constexpr DWORD kWaitFileCapMs = 60 * 1000;

    struct Identity {
        std::wstring exePath; // this program's own file
        std::wstring scriptVariable; // where a spawned copy looks for its script
        std::vector<std::wstring> argv; // as the C runtime parsed the command line
    };

    explicit ScriptRunner(Identity identity);

    // Runs the commands in order and returns the exit code; "crash" does not return.
    std::uint32_t run(const Script& script);

    // Reports a problem of the double itself on stderr, prefixed so it stands
    // out in a log among the scripted output; message is UTF-8.
    static void complain(int line, const std::string& message);

private:
    // Carries out one command other than "exit"; false if it failed.
    bool perform(const Command& command);
    // What the double exits with when a command of that verb fails.
    static std::uint32_t exitCodeOnFailure(Verb verb);

    bool write(Stream stream, std::string_view bytes);
    bool writeFiller(const Command& command);
    bool writeTicks(const Command& command);
    bool floodTimed(const Command& command);
    bool waitForFile(const Command& command);
    bool touch(const Command& command);
    bool recordArguments(const Command& command);
    bool reportHandle(const Command& command);
    bool leakHandles(const Command& command);
    bool spawn(const Command& command);
    void closeStandardStreams();
    [[noreturn]] static void crash();
    static LONG WINAPI endOnUnhandledException(EXCEPTION_POINTERS* exception);

    Identity identity_;
};

} // namespace tooldouble
