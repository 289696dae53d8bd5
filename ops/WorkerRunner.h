#pragma once

#include "PipeReader.h"

#include <UniqueAny.h>

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

class ToolLog;

// Runs one console tool as a hidden child and streams what it prints into
// the log, on the user-interface thread: while it waits it dispatches the
// thread's messages itself, so the window stays live. Whether a run may start
// at all is for its owner to decide; the runner only runs.
class WorkerRunner {
public:
    // What the runner asks the platform about jobs, apart so that a test can
    // answer as some machines in the field do: Wine lets a process in a job
    // join a second one, as Windows 8 and later do, and reports no job's
    // limits.
    struct JobCalls {
        // Puts the process in the job; false where it may not join it.
        std::function<bool(HANDLE job, HANDLE process)> assign;
        // True where Tarrow itself is in a job that lets a process it starts
        // leave that job.
        std::function<bool()> mayLeaveOwnJob;

        static JobCalls Platform();
    };

    explicit WorkerRunner(ToolLog& log, JobCalls jobs = JobCalls::Platform())
        : m_log(log)
        , m_jobs(std::move(jobs))
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
    // What the tool's output pipe holds while the runner is not looking. On
    // Windows the runner looks again a whole timer tick (15.6 ms) after
    // output at the soonest, and a pipe of the platform's default 4 KB would
    // then stop a tool printing more than about 260 KB a second.
    static constexpr DWORD kPipeBytes = 64 * 1024;

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

    // A process started suspended, and its first thread.
    struct Suspended {
        UniqueHandle process;
        UniqueHandle thread;
    };

    // Starts the tool hidden, in a console of its own that has no window,
    // in a job of its own where it can have one. On failure nothing stays
    // open.
    bool StartTool(const std::wstring& commandLine, Tool& tool) const;
    // Creates the tool's process, suspended, its output and errors into the
    // pipe's write end, which is all it inherits where the platform lets
    // the runner say so.
    static bool CreateSuspended(const std::wstring& commandLine, HANDLE output, DWORD flags, Suspended& started);
    // Where the tool could not join its job because Tarrow is in one, starts
    // it again outside Tarrow's job, if that job allows it, and puts it in
    // the tool's job. False, with started as it was, where it cannot.
    bool StartOutsideOwnJob(const std::wstring& commandLine, HANDLE output, HANDLE job, Suspended& started) const;
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
    const JobCalls m_jobs;
    bool m_stopRequested = false;
    // Set while output is read, so that a timer tick dispatched meanwhile
    // does not read into the middle of it.
    bool m_draining = false;
    // The tool of the run going on; empty between runs.
    Tool m_tool;
};
