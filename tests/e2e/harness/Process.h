#pragma once

#include "Environment.h"
#include "Wait.h"

#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

using EnvVar = testkit::EnvVar;

// One process a test started (Tarrow, a tool run on its own) or looked up
// by its id (a tool whose "args" record names it). The handle keeps the id
// from being reused, so the processes it started can be found by it too.
// Going away closes the handle; whoever started it decides whether it ends.
class Process {
public:
    Process() = default;
    // Opens a process the test did not start; opened() says whether it could.
    explicit Process(DWORD pid);

    // Runs "\"program\" arguments" with this process's environment plus the
    // given variables, in workingDirectory (empty: ours). With
    // STARTF_USESTDHANDLES it inherits the standard handles `startup` names,
    // and every other inheritable handle of ours; without, none.
    testing::AssertionResult start(const std::wstring& program, const std::wstring& arguments,
        const std::vector<EnvVar>& environment, const std::wstring& workingDirectory, DWORD creationFlags,
        STARTUPINFOW& startup);

    bool opened() const { return handle_.valid(); }
    HANDLE handle() const { return handle_.get(); }
    DWORD pid() const { return pid_; }

    bool alive() const;
    // Nothing while it runs.
    std::optional<DWORD> exitCode() const;
    testing::AssertionResult waitForExit(std::chrono::milliseconds timeout = kDefaultTimeout) const;
    // Ends it if it still runs, and waits until it has.
    void terminate() const;
    // The processes it started that still run: a tool, a copy the double spawned.
    std::vector<Process> children() const;

private:
    UniqueHandle handle_;
    DWORD pid_ = 0;
};

} // namespace e2e
