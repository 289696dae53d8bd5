#pragma once

#include "PipeReader.h"
#include "Process.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct ConsoleRunOptions {
    std::wstring arguments; // after the quoted program path
    std::vector<EnvVar> environment; // added to the test program's own
    std::wstring workingDirectory; // empty: the test program's
    // One pipe for stdout and stderr, as Tarrow reads its tools; then
    // everything is in out().
    bool mergeStreams = false;
    // Without a console, as by default, the pipes end the moment the program
    // (and whatever inherited them) closes them. A hidden console
    // (CREATE_NO_WINDOW) comes under Wine with a conhost.exe that inherits
    // the pipe too, so the pipe then ends only when the program exits.
    bool hiddenConsole = false;
    // A console of its own with no window and a pipe of 64 KB, the way
    // Tarrow starts its tools: a benchmark reads the very kind of pipe Tarrow
    // reads. Under Wine the pipe ends only when the program exits, as with
    // hiddenConsole.
    bool ownConsole = false;
};

// A console program run with its output in pipes, for running a tool (or
// the double) directly, without Tarrow. Ended, if it still runs, when the
// object goes.
//
//     ConsoleRun run(box.file(L"stpconv.exe"), {L"-i in.stp"});
//     ASSERT_TRUE(run.start());
//     ASSERT_TRUE(run.readToEnd());
//     ASSERT_TRUE(run.waitForExit());
class ConsoleRun {
public:
    explicit ConsoleRun(std::wstring program, ConsoleRunOptions options = {});
    ~ConsoleRun();
    ConsoleRun(const ConsoleRun&) = delete;
    ConsoleRun& operator=(const ConsoleRun&) = delete;

    testing::AssertionResult start();

    // Reads until every writer closed the pipes: the program and anything
    // that inherited them from it.
    testing::AssertionResult readToEnd(std::chrono::milliseconds timeout = kDefaultTimeout);
    // Reads what has arrived so far, without waiting.
    void pump();
    // Reads until stdout holds `part`.
    testing::AssertionResult waitForOutput(
        const std::string& part, std::chrono::milliseconds timeout = kDefaultTimeout);
    bool pipesClosed() const { return outPipe_.ended() && errPipe_.ended(); }
    // The stdout pipe itself, for reading it some other way.
    PipeReader& outPipe() { return outPipe_; }

    testing::AssertionResult waitForExit(std::chrono::milliseconds timeout = kDefaultTimeout)
    {
        return process_.waitForExit(timeout);
    }
    bool alive() const { return process_.alive(); }
    std::optional<DWORD> exitCode() const { return process_.exitCode(); }
    DWORD pid() const { return process_.pid(); }
    const Process& process() const { return process_; }

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

private:
    std::wstring program_;
    ConsoleRunOptions options_;
    Process process_;
    PipeReader outPipe_;
    PipeReader errPipe_;
    std::string out_;
    std::string err_;
};

} // namespace e2e
