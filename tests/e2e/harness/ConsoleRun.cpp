#include "ConsoleRun.h"

namespace e2e {

ConsoleRun::ConsoleRun(std::wstring program, ConsoleRunOptions options)
    : program_(std::move(program))
    , options_(std::move(options))
{
}

ConsoleRun::~ConsoleRun()
{
    process_.terminate();
}

testing::AssertionResult ConsoleRun::start()
{
    // Our write ends go when this returns, or the pipes would never report their end.
    UniqueHandle outWriter;
    UniqueHandle errWriter;
    // Tarrow's runner asks for 64 KB (WorkerRunner::kPipeBytes).
    const DWORD pipeBytes = options_.ownConsole ? 64 * 1024 : 0;
    if (!PipeReader::make(outPipe_, outWriter, pipeBytes)
        || (!options_.mergeStreams && !PipeReader::make(errPipe_, errWriter, pipeBytes)))
        return testing::AssertionFailure() << "cannot create pipes (error " << ::GetLastError() << ")";

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWriter.get();
    startup.hStdError = options_.mergeStreams ? outWriter.get() : errWriter.get();
    DWORD flags = DETACHED_PROCESS;
    if (options_.ownConsole || options_.hiddenConsole)
        flags = CREATE_NO_WINDOW;
    return process_.start(
        program_, options_.arguments, options_.environment, options_.workingDirectory, flags, startup);
}

void ConsoleRun::pump()
{
    while (outPipe_.readAvailable(out_) || errPipe_.readAvailable(err_)) { }
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

testing::AssertionResult ConsoleRun::waitForOutput(const std::string& part, std::chrono::milliseconds timeout)
{
    const bool seen = waitUntil(
        [&] {
            pump();
            return out_.find(part) != std::string::npos;
        },
        timeout, std::chrono::milliseconds(2));
    if (seen)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no '" << part << "' within " << timeout.count() << " ms; got: '" << out_
                                       << "'";
}

} // namespace e2e
