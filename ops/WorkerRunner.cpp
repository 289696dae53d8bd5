#include "WorkerRunner.h"

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
static_assert(
    sizeof(void*) != 4 || sizeof(SECURITY_ATTRIBUTES) == 12, "SECURITY_ATTRIBUTES of a 32-bit build is 12 bytes");

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

bool WorkerRunner::StartTool(const std::wstring& commandLine, Tool& tool)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    UniqueHandle readEnd;
    UniqueHandle writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0))
        return false;
    // The tool gets the write end only: holding a read end of its own, it
    // would never see the pipe break if Tarrow went away, and would block
    // for ever once the pipe filled.
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();

    std::vector<wchar_t> writableCommand(commandLine.begin(), commandLine.end());
    writableCommand.push_back(L'\0');
    PROCESS_INFORMATION info = {};
    // Suspended until it is in its job, so that nothing it starts escapes.
    if (!::CreateProcessW(nullptr, writableCommand.data(), nullptr, nullptr, TRUE,
            CREATE_NEW_CONSOLE | CREATE_SUSPENDED, nullptr, nullptr, &startup, &info))
        return false;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);

    // Where the tool cannot have a job of its own (before Windows 8 a process
    // already in a job, as Tarrow may be, cannot join another), a stop ends
    // the tool alone.
    UniqueHandle job = CreateToolJob();
    if (job && !::AssignProcessToJobObject(job.get(), process.get()))
        job.reset();
    if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        ::TerminateProcess(process.get(), kStoppedExitCode);
        return false;
    }

    // Our copy of the write end goes with this call: from then on the pipe
    // ends once the child and whatever inherited its write end have all gone.
    tool.process = std::move(process);
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
