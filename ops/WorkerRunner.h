#pragma once

#include <windows.h>

#include <string>

class LogPane;

// Runs one console tool at a time as a hidden child and streams what it
// prints into the log, on the user-interface thread: while it waits it
// dispatches the thread's messages itself, so the window stays live.
class WorkerRunner {
public:
    // `running` is the owner's busy flag: set for the whole run; clearing it
    // from a handler dispatched here stops the run and terminates the child.
    WorkerRunner(BOOL& running, LogPane& log)
        : m_running(running)
        , m_log(log)
    {
    }

    // True if a child was started and its run is over; false if nothing was
    // started (another run is going on, or the pipe or process failed).
    bool Run(const std::wstring& commandLine);

    // Bytes handed to the log at a time.
    static constexpr DWORD kChunkSize = 1024;

private:
    enum class Drain { Empty, MoreWaiting, PipeEnded };
    // Reads what the pipe already holds, never waiting for more. Gives the
    // message loop its turn again after a while, even if output keeps coming.
    Drain DrainAvailable(HANDLE pipe);
    static void DispatchPendingMessages();

    BOOL& m_running;
    LogPane& m_log;
};
