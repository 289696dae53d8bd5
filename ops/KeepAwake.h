#pragma once

#include <windows.h>

// Keeps the machine from going to sleep for as long as it lives (the display
// may still turn off): a device half programmed because the system slept
// under the tool is a device spoilt. The thread's state is given back when
// the owner goes, on whatever path it goes.
class KeepAwake {
public:
    using SetState = EXECUTION_STATE(WINAPI*)(EXECUTION_STATE);

    explicit KeepAwake(SetState setState = &::SetThreadExecutionState)
        : m_setState(setState)
    {
        m_setState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    }
    ~KeepAwake() { m_setState(ES_CONTINUOUS); }

    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;

private:
    SetState m_setState;
};
