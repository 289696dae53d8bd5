#pragma once

#include "TarrowDriver.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

// Where the demo runs: a folder holding Tarrow.exe with the real burnkit.exe
// and stpconv.exe beside it, the STP design to browse, and the folder of the
// simulated device.
struct DemoSettings {
    std::wstring folder;
    std::wstring design;
    std::wstring deviceDir;
    unsigned stepMs = 0; // burnkit's pause per page or sector
};

// One finished step of the session, as the operator saw it.
struct DemoStep {
    std::string id; // numbered and file-name friendly, e.g. "4-program"
    std::wstring title; // what was done, in the program's language
    std::wstring result; // the closing line the tool printed; empty for steps without a tool
};

// The demo session through the real window: start Tarrow, Browse the STP
// design, let it convert, then Program, Verify, Erase and Verify again, which
// must fail on the blank device. scripts/run --demo takes screenshots between
// the steps; the end-to-end test checks the log it leaves.
//
//     DemoSession demo(settings);
//     ASSERT_TRUE(demo.start());
//     ASSERT_TRUE(demo.run([](const DemoStep& step) { ... }));
//     ASSERT_TRUE(demo.finish());
class DemoSession {
public:
    using Observer = std::function<void(const DemoStep&)>;

    explicit DemoSession(DemoSettings settings);
    DemoSession(const DemoSession&) = delete;
    DemoSession& operator=(const DemoSession&) = delete;

    // Resets what an earlier session left (the device memory, the DAT file
    // beside the design) so every session starts alike, then starts Tarrow.
    testing::AssertionResult start();
    // Every step in turn; afterStep sees each one once the window shows it
    // (the file dialog while it is open). Stops at the first step that does
    // not end as it should.
    testing::AssertionResult run(const Observer& afterStep = {});
    // Exit, as the operator leaves.
    testing::AssertionResult finish();

    e2e::TarrowDriver& app() { return app_; }
    const std::wstring& datPath() const { return datPath_; }

private:
    testing::AssertionResult clearDevice() const;
    testing::AssertionResult browse(const Observer& afterStep);
    testing::AssertionResult deviceAction(
        const char* id, int button, const std::wstring& expected, const Observer& afterStep);
    // Waits until the tool started after the log had `before` characters has
    // ended: Tarrow closes every run with an empty line (the tools print
    // none) and gives the action buttons back. Returns the run's last line.
    testing::AssertionResult waitForRunEnd(std::size_t before, std::wstring& closing) const;

    DemoSettings settings_;
    std::wstring datPath_;
    e2e::TarrowDriver app_;
};
