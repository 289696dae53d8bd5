#pragma once

#include "EnvironmentBlock.h"
#include "OwnedHandle.h"
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
    // (CREATE_NO_WINDOW) is how Tarrow may start its tools; under Wine it
    // comes with a conhost.exe that inherits the pipe too, so the pipe then
    // ends only when the program exits.
    bool hiddenConsole = false;
};

// A console program run with its output in pipes, for running a tool (or
// the double) directly, without Tarrow.
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
    bool pipesClosed() const { return !outPipe_ && !errPipe_; }

    testing::AssertionResult waitForExit(std::chrono::milliseconds timeout = kDefaultTimeout);
    bool alive() const;
    std::optional<DWORD> exitCode() const;
    DWORD pid() const { return pid_; }

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

private:
    static bool drain(testkit::OwnedHandle& pipe, std::string& sink);

    std::wstring program_;
    ConsoleRunOptions options_;
    testkit::OwnedHandle process_;
    testkit::OwnedHandle outPipe_;
    testkit::OwnedHandle errPipe_;
    DWORD pid_ = 0;
    std::string out_;
    std::string err_;
};

} // namespace e2e
