#pragma once

#include "PipeReader.h"

#include <UniqueAny.h>

#include <windows.h>

#include <string>

class ToolLog;

// Runs one console tool as a hidden child and streams what it prints into
// the log, on the user-interface thread: while it waits it dispatches the
// thread's messages itself, so the window stays live. Whether a run may start
// at all is for its owner to decide; the runner only runs.
class WorkerRunner {
public:
    explicit WorkerRunner(ToolLog& log)
        : m_log(log)
    {
    }

    WorkerRunner(const WorkerRunner&) = delete;
    WorkerRunner& operator=(const WorkerRunner&) = delete;

    // Returns once the run is over: true if a child was started (it ended, or
    // the run was stopped), false if it could not be started, which the log
    // then says. Every run that started ends with a line break in the log.
    bool Run(const std::wstring& commandLine);

    // From a handler dispatched during Run: the run ends on its next turn,
    // and the tool, with every process it started, is terminated.
    void Stop() { m_stopRequested = true; }
    // The same, but the tool and what it started are terminated before this
    // returns, for when the program itself may be ended at any moment.
    void StopNow();

    // Bytes handed to the log at a time.
    static constexpr DWORD kChunkSize = 1024;

private:
    // Empty: nothing was waiting. Emptied: output was read and the pipe is
    // empty for now. MoreWaiting: the slice ran out with output still coming.
    enum class Drain { Empty, Emptied, MoreWaiting, PipeEnded };

    // One started tool: its process, the job that holds it and whatever it
    // starts (none where the platform would not give it one), and the read
    // end of the pipe its output and errors go into, with what was last
    // seen waiting there.
    struct Tool {
        UniqueHandle process;
        UniqueHandle job;
        UniqueHandle output;
        PipeReader reader{kChunkSize};
    };

    // Starts the tool hidden, in a console of its own, in a job of its own
    // where it can have one. On failure nothing stays open.
    static bool StartTool(const std::wstring& commandLine, Tool& tool);
    // Ends the whole job, or the tool alone when it has no job.
    static void Terminate(const Tool& tool);
    // Reads what the pipe already holds, never waiting for more. Gives the
    // message loop its turn again after a while, even if output keeps coming.
    Drain DrainAvailable(HANDLE pipe);
    // While some other loop holds the thread (a modal box, a menu, a window
    // being dragged), the tool's output is still read, so the tool never
    // blocks on a full pipe; only the runner's own loop ends the run.
    void DrainFromOtherLoop();
    static void DispatchPendingMessages();

    ToolLog& m_log;
    bool m_stopRequested = false;
    // Set while output is read, so that a timer tick dispatched meanwhile
    // does not read into the middle of it.
    bool m_draining = false;
    // The tool of the run going on; empty between runs.
    Tool m_tool;
};
