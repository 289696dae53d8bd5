#pragma once

#include <EnvironmentBlock.h>
#include <OwnedHandle.h>
#include <Window.h>

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// One running Tarrow, driven from outside the way an operator (or the
// end-to-end tests) would: by posting clicks and asking its controls over
// window messages. Every message that waits for an answer has a deadline.
// Terminated when the object goes.
class TarrowInstance {
public:
    static constexpr int kProgramButton = IDOK;
    static constexpr int kLog = 1000;
    static constexpr int kFileBox = 1003;

    TarrowInstance(std::wstring exePath, std::vector<e2e::EnvVar> environment);
    ~TarrowInstance();
    TarrowInstance(const TarrowInstance&) = delete;
    TarrowInstance& operator=(const TarrowInstance&) = delete;

    // Launches it from its own folder and waits for its main window; on
    // failure says why.
    bool Start(std::string& error);

    bool SetFile(const std::wstring& path) const;
    // Posted, so it returns at once; false if the button was not there to take it.
    bool ClickProgram() const;
    // Read from the window's state, not asked of Tarrow: never wakes it.
    bool ProgramEnabled() const;
    // Waits until a click has started a run (the buttons are greyed out).
    bool WaitForRunStart(std::chrono::milliseconds timeout) const;
    // Waits until no run is going on (the buttons are back).
    bool WaitForRunEnd(std::chrono::milliseconds timeout) const;

    std::optional<std::size_t> LogLength(std::chrono::milliseconds timeout = e2e::Window::kAnswerTimeout) const;
    std::optional<std::wstring> LogText() const;

    HANDLE process() const { return m_process.get(); }
    DWORD processId() const { return m_processId; }
    DWORD guiThreadId() const { return m_window.threadId(); }
    e2e::Window window() const { return m_window; }
    e2e::Window log() const { return m_window.child(kLog); }

private:
    std::wstring m_exePath;
    std::vector<e2e::EnvVar> m_environment;
    testkit::OwnedHandle m_process;
    DWORD m_processId = 0;
    e2e::Window m_window;
};
