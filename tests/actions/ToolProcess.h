#pragma once

#include <windows.h>

#include <optional>

// A tool process the double recorded, opened by its id so a test can see
// how it ended even after Tarrow is gone.
class ToolProcess {
public:
    explicit ToolProcess(DWORD pid);
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    bool opened() const { return m_handle != nullptr; }
    bool waitForExit(DWORD timeoutMs = 20000) const;
    std::optional<DWORD> exitCode() const;

private:
    HANDLE m_handle;
};
