#pragma once

#include <OwnedHandle.h>

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// flood.exe started directly, its output read the way Tarrow reads its
// tools: one anonymous pipe of the default size for stdout and stderr, the
// child hidden in a console of its own. With `input`, it also gets a pipe on
// stdin (for the leak mode's handshake); otherwise none, as from Tarrow.
// The mode goes in FLOOD_MODE; `arguments` follow the quoted program name.
class FloodProcess {
public:
    FloodProcess(std::wstring floodExe, std::wstring mode, bool input = false, std::wstring arguments = {});
    ~FloodProcess();
    FloodProcess(const FloodProcess&) = delete;
    FloodProcess& operator=(const FloodProcess&) = delete;

    bool Start(std::string& error);

    // The minimal reader: ReadFile `chunk` bytes at a time until the pipe
    // ends (or `limit` bytes are in), keeping nothing. Returns the bytes read.
    std::uint64_t Drain(std::size_t chunk, std::uint64_t limit = UINT64_MAX);
    // Tarrow's way of reading, writing nowhere: PeekNamedPipe for what is
    // there, then ReadFile of at most `chunk` bytes of it; when the pipe is
    // empty, a 1 ms sleep stands in for Tarrow's wait for more.
    std::uint64_t DrainPeeking(std::size_t chunk);
    // Everything until the pipe ends.
    std::string ReadAll();
    // One line without its "\r\n"; nothing once the pipe has ended.
    std::optional<std::string> ReadLine();
    bool SendGo();

    HANDLE process() const { return m_process.get(); }
    std::optional<DWORD> WaitForExit(DWORD timeoutMs) const;

private:
    std::wstring m_floodExe;
    std::wstring m_mode;
    bool m_withInput;
    std::wstring m_arguments;
    testkit::OwnedHandle m_process;
    testkit::OwnedHandle m_output;
    testkit::OwnedHandle m_input;
};
