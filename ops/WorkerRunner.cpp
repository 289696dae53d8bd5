#include "WorkerRunner.h"

#include "HandleInheritList.h"
#include "ThreadTimer.h"
#include "ToolLog.h"

#include <utility>
#include <vector>

namespace {

constexpr DWORD kIdleWaitMs = 250;
// After output has come, the next look comes soon: a tool that prints much
// refills the pipe at once, and a tool that has fallen silent costs one more
// look before the idle rhythm resumes.
constexpr DWORD kFollowUpWaitMs = 1;
// Longest stretch spent reading before pending input is looked at again.
constexpr DWORD kDrainSliceMs = 30;
constexpr UINT kStoppedExitCode = 0xFFFFFFFF;

// Both structures carry pointers and handles, so they grow in a 64-bit
// build and are sized with sizeof wherever they are filled in; the 32-bit
// release must keep handing the platform exactly the layout it always has.
static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOW) == 68, "STARTUPINFOW of a 32-bit build is 68 bytes");
static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOEXW) == 72, "STARTUPINFOEXW of a 32-bit build is 72 bytes");

// A job that only groups: no limits, and nothing ends when its handle is
// closed, so what a tool leaves running after a normal run keeps running as
// it would without a job. A tool that starts a process outside any job, as
// it may do where it runs without one, still can.
UniqueHandle CreateToolJob()
{
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job)
        return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    ::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    return job;
}

} // namespace

void WorkerRunner::DispatchPendingMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

WorkerRunner::Drain WorkerRunner::DrainAvailable(HANDLE pipe)
{
    m_draining = true;
    char buffer[kChunkSize + 1];
    const DWORD start = ::GetTickCount();
    Drain drained = Drain::Empty;
    for (;;) {
        DWORD read = 0;
        const PipeReader::Result result = m_tool.reader.ReadChunk(pipe, buffer, read);
        if (result == PipeReader::Result::Ended) {
            drained = Drain::PipeEnded;
            break;
        }
        if (result == PipeReader::Result::Empty)
            break;
        buffer[read] = '\0';
        m_log.AppendOutput(buffer, read);
        drained = Drain::Emptied;
        if (::GetTickCount() - start >= kDrainSliceMs) {
            drained = Drain::MoreWaiting;
            break;
        }
    }
    m_draining = false;
    return drained;
}

void WorkerRunner::DrainFromOtherLoop()
{
    if (m_draining || !m_tool.output)
        return;
    DrainAvailable(m_tool.output.get());
}

WorkerRunner::JobCalls WorkerRunner::JobCalls::Platform()
{
    JobCalls calls;
    calls.assign = [](HANDLE job, HANDLE process) { return ::AssignProcessToJobObject(job, process) != FALSE; };
    calls.mayLeaveOwnJob = [] {
        BOOL inJob = FALSE;
        if (!::IsProcessInJob(::GetCurrentProcess(), nullptr, &inJob) || !inJob)
            return false;
        // No job handle: the job the calling process is in.
        JOBOBJECT_BASIC_LIMIT_INFORMATION limits = {};
        if (!::QueryInformationJobObject(nullptr, JobObjectBasicLimitInformation, &limits, sizeof(limits), nullptr))
            return false;
        return (limits.LimitFlags & (JOB_OBJECT_LIMIT_BREAKAWAY_OK | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK)) != 0;
    };
    return calls;
}

bool WorkerRunner::CreateSuspended(const std::wstring& commandLine, HANDLE output, DWORD flags, Suspended& started)
{
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = nullptr;
    startup.StartupInfo.hStdOutput = output;
    startup.StartupInfo.hStdError = output;
    // A console of its own with no window at all: a hidden console window
    // can still be shown, by a terminal that stands in for the console
    // host, and closing it would end the tool mid-operation. Suspended until
    // it is in its job, so that nothing it starts escapes.
    flags |= CREATE_NO_WINDOW | CREATE_SUSPENDED;

    PROCESS_INFORMATION info = {};
    const auto create = [&](DWORD more) {
        // CreateProcessW may write into the command line it is given.
        std::vector<wchar_t> writable(commandLine.c_str(), commandLine.c_str() + commandLine.size() + 1);
        return ::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, flags | more, nullptr, nullptr,
                   &startup.StartupInfo, &info)
            != FALSE;
    };
    HandleInheritList inherit(output);
    startup.StartupInfo.cb = sizeof(startup);
    startup.lpAttributeList = inherit.Get();
    bool created = startup.lpAttributeList && create(EXTENDED_STARTUPINFO_PRESENT);
    // Where the list cannot be made or is refused, the tool inherits every
    // inheritable handle, as programs started the plain way do.
    if (!created) {
        startup.StartupInfo.cb = sizeof(startup.StartupInfo);
        created = create(0);
    }
    if (created) {
        started.process.reset(info.hProcess);
        started.thread.reset(info.hThread);
    }
    return created;
}

bool WorkerRunner::StartOutsideOwnJob(
    const std::wstring& commandLine, HANDLE output, HANDLE job, Suspended& started) const
{
    if (!m_jobs.mayLeaveOwnJob())
        return false;
    Suspended again;
    if (!CreateSuspended(commandLine, output, CREATE_BREAKAWAY_FROM_JOB, again))
        return false;
    // Both are still suspended and have run nothing of the tool's: the one
    // that is not kept is ended unseen.
    const bool joined = m_jobs.assign(job, again.process.get());
    Suspended& ended = joined ? started : again;
    ::TerminateProcess(ended.process.get(), kStoppedExitCode);
    if (joined)
        started = std::move(again);
    return joined;
}

bool WorkerRunner::StartTool(const std::wstring& commandLine, Tool& tool) const
{
    // Neither end is inheritable at first; the write end becomes so only for
    // the tool, which gets nothing else. Holding a read end of its own, the
    // tool would never see the pipe break if Tarrow went away, and would
    // block for ever once the pipe filled.
    UniqueHandle readEnd;
    UniqueHandle writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), nullptr, kPipeBytes)
        || !::SetHandleInformation(writeEnd.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT))
        return false;

    Suspended started;
    if (!CreateSuspended(commandLine, writeEnd.get(), 0, started))
        return false;

    // Before Windows 8 a process already in a job, as Tarrow may be when a
    // scheduler, an IDE or a launcher starts it, cannot join another. Where
    // Tarrow's job lets it go, the tool is started outside it instead;
    // otherwise it runs without a job, and a stop ends the tool alone.
    UniqueHandle job = CreateToolJob();
    if (job && !m_jobs.assign(job.get(), started.process.get())
        && !StartOutsideOwnJob(commandLine, writeEnd.get(), job.get(), started))
        job.reset();
    if (::ResumeThread(started.thread.get()) == static_cast<DWORD>(-1)) {
        ::TerminateProcess(started.process.get(), kStoppedExitCode);
        return false;
    }

    // Our copy of the write end goes with this call: from then on the pipe
    // ends once the child and whatever inherited its write end have all gone.
    tool.process = std::move(started.process);
    tool.job = std::move(job);
    tool.output = std::move(readEnd);
    return true;
}

void WorkerRunner::Terminate(const Tool& tool)
{
    if (tool.job)
        ::TerminateJobObject(tool.job.get(), kStoppedExitCode);
    else if (::WaitForSingleObject(tool.process.get(), 0) == WAIT_TIMEOUT)
        ::TerminateProcess(tool.process.get(), kStoppedExitCode);
}

void WorkerRunner::StopNow()
{
    Stop();
    if (m_tool.process)
        Terminate(m_tool);
}

bool WorkerRunner::Run(const std::wstring& commandLine)
{
    m_stopRequested = false;
    if (!StartTool(commandLine, m_tool)) {
        m_log.AppendLine(L"创建工作进程失败！");
        return false;
    }
    m_log.BeginOutput();

    {
        const ThreadTimer otherLoops(kIdleWaitMs, [this] { DrainFromOtherLoop(); });
        bool childEnded = false;
        Drain drained = Drain::Empty;
        DWORD lastTurn = ::GetTickCount();
        while (!m_stopRequested) {
            // Output still queued in the pipe is read at once; otherwise sleep
            // until the child ends, input arrives or the idle period passes.
            const DWORD timeout = drained == Drain::MoreWaiting ? 0
                : drained == Drain::Emptied                     ? kFollowUpWaitMs
                                                                : kIdleWaitMs;
            // While output floods in, the log is painted once a slice rather
            // than whenever the pipe runs dry for a moment: the short look
            // after output wakes for everything but a pending paint, unless a
            // slice has passed since the loop last had its turn.
            const DWORD wakeOn = drained == Drain::Emptied && ::GetTickCount() - lastTurn < kDrainSliceMs
                ? QS_ALLINPUT & ~QS_PAINT
                : QS_ALLINPUT;
            HANDLE handle = m_tool.process.get();
            const DWORD wait = childEnded ? ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout, wakeOn)
                                          : ::MsgWaitForMultipleObjects(1, &handle, FALSE, timeout, wakeOn);
            const DWORD inputSignal = childEnded ? WAIT_OBJECT_0 : WAIT_OBJECT_0 + 1;

            if (!childEnded && wait == WAIT_OBJECT_0) {
                childEnded = true;
            } else if (wait == inputSignal) {
                DispatchPendingMessages();
                lastTurn = ::GetTickCount();
            } else if (wait != WAIT_TIMEOUT) {
                continue;
            }

            // A process the tool left behind may still hold the pipe: keep
            // draining without blocking, and keep the window live, until the
            // pipe itself reports its end.
            drained = DrainAvailable(m_tool.output.get());
            if (childEnded && drained == Drain::PipeEnded)
                break;
        }
        if (m_stopRequested)
            Terminate(m_tool);
    }
    m_tool = Tool();

    m_log.EndOutput();
    m_log.AppendLine(std::wstring());
    return true;
}
