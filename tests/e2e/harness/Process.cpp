#include "Process.h"

#include "Encoding.h"

#include <tlhelp32.h>

namespace e2e {

Process::Process(DWORD pid)
    : handle_(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid))
    , pid_(pid)
{
}

testing::AssertionResult Process::start(const std::wstring& program, const std::wstring& arguments,
    const std::vector<EnvVar>& environment, const std::wstring& workingDirectory, DWORD creationFlags,
    STARTUPINFOW& startup)
{
    if (handle_)
        return testing::AssertionFailure() << "already started";
    std::wstring block = testkit::Environment::block(environment);
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    // Only a child handed our pipes inherits handles: anything else of ours
    // it took (CTest's output pipe, say) would be kept open by it and by
    // every tool it starts in turn.
    const BOOL inherit = (startup.dwFlags & STARTF_USESTDHANDLES) != 0;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, inherit,
            creationFlags | CREATE_UNICODE_ENVIRONMENT, block.data(),
            workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &started))
        return testing::AssertionFailure()
            << "cannot start " << testkit::encoding::toUtf8(program) << " (error " << ::GetLastError() << ")";
    handle_.reset(started.hProcess);
    const UniqueHandle thread(started.hThread);
    pid_ = started.dwProcessId;
    return testing::AssertionSuccess();
}

bool Process::alive() const
{
    return handle_ && ::WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::exitCode() const
{
    DWORD code = 0;
    if (!handle_ || alive() || !::GetExitCodeProcess(handle_.get(), &code))
        return std::nullopt;
    return code;
}

testing::AssertionResult Process::waitForExit(std::chrono::milliseconds timeout) const
{
    if (!handle_)
        return testing::AssertionFailure() << "the program was never started";
    if (::WaitForSingleObject(handle_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the program still ran after " << timeout.count() << " ms";
}

void Process::terminate() const
{
    if (alive()) {
        ::TerminateProcess(handle_.get(), 0xE2E);
        ::WaitForSingleObject(handle_.get(), 5000);
    }
}

std::vector<Process> Process::children() const
{
    std::vector<Process> children;
    // A snapshot reports failure as INVALID_HANDLE_VALUE, as CreateFile does.
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == pid_ && entry.th32ProcessID != pid_) {
            Process child(entry.th32ProcessID);
            if (child.alive())
                children.push_back(std::move(child));
        }
    }
    return children;
}

} // namespace e2e
