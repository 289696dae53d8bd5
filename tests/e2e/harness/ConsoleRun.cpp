#include "ConsoleRun.h"

#include "Encoding.h"

namespace e2e {
namespace {

using testkit::OwnedHandle;

// The read end stays with us, the write end is for the child to inherit.
bool makePipe(OwnedHandle& readEnd, OwnedHandle& writeEnd)
{
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE reader = nullptr;
    HANDLE writer = nullptr;
    if (!::CreatePipe(&reader, &writer, &inheritable, 0))
        return false;
    readEnd.reset(reader);
    writeEnd.reset(writer);
    return ::SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0) != FALSE;
}

} // namespace

ConsoleRun::ConsoleRun(std::wstring program, ConsoleRunOptions options)
    : program_(std::move(program))
    , options_(std::move(options))
{
}

ConsoleRun::~ConsoleRun()
{
    if (alive()) {
        ::TerminateProcess(process_.get(), 0xE2E);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

testing::AssertionResult ConsoleRun::start()
{
    OwnedHandle outWriter;
    OwnedHandle errWriter;
    if (!makePipe(outPipe_, outWriter) || (!options_.mergeStreams && !makePipe(errPipe_, errWriter)))
        return testing::AssertionFailure() << "cannot create pipes (error " << ::GetLastError() << ")";

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWriter.get();
    startup.hStdError = options_.mergeStreams ? outWriter.get() : errWriter.get();

    EnvironmentBlock environment(options_.environment);
    std::wstring commandLine = L"\"" + program_ + L"\"";
    if (!options_.arguments.empty())
        commandLine += L" " + options_.arguments;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program_.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
            (options_.hiddenConsole ? CREATE_NO_WINDOW : DETACHED_PROCESS) | CREATE_UNICODE_ENVIRONMENT,
            environment.data(), options_.workingDirectory.empty() ? nullptr : options_.workingDirectory.c_str(),
            &startup, &process))
        return testing::AssertionFailure()
            << "cannot start " << testkit::encoding::toUtf8(program_) << " (error " << ::GetLastError() << ")";
    process_.reset(process.hProcess);
    OwnedHandle thread(process.hThread);
    pid_ = process.dwProcessId;
    // Our write ends go now, or the pipes would never report their end.
    return testing::AssertionSuccess();
}

bool ConsoleRun::drain(OwnedHandle& pipe, std::string& sink)
{
    if (!pipe)
        return false;
    DWORD available = 0;
    if (::PeekNamedPipe(pipe.get(), nullptr, 0, nullptr, &available, nullptr) && available == 0)
        return false;
    // Either data is waiting or the pipe is broken; ReadFile tells which.
    char buffer[1 << 16];
    DWORD read = 0;
    if (!::ReadFile(pipe.get(), buffer, sizeof buffer, &read, nullptr) || read == 0) {
        pipe.reset();
        return false;
    }
    sink.append(buffer, read);
    return true;
}

void ConsoleRun::pump()
{
    while (drain(outPipe_, out_) || drain(errPipe_, err_)) { }
}

testing::AssertionResult ConsoleRun::readToEnd(std::chrono::milliseconds timeout)
{
    const bool ended = waitUntil(
        [&] {
            pump();
            return pipesClosed();
        },
        timeout, std::chrono::milliseconds(2));
    if (ended)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the pipes were still open after " << timeout.count() << " ms; got so far: '"
                                       << out_ << "' / '" << err_ << "'";
}

testing::AssertionResult ConsoleRun::waitForExit(std::chrono::milliseconds timeout)
{
    if (!process_)
        return testing::AssertionFailure() << "the program was never started";
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the program still ran after " << timeout.count() << " ms";
}

bool ConsoleRun::alive() const
{
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ConsoleRun::exitCode() const
{
    DWORD code = 0;
    if (!process_ || alive() || !::GetExitCodeProcess(process_.get(), &code))
        return std::nullopt;
    return code;
}

} // namespace e2e
