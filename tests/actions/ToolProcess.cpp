#include "ToolProcess.h"

ToolProcess::ToolProcess(DWORD pid)
    : m_handle(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid))
{
}

ToolProcess::~ToolProcess()
{
    if (m_handle)
        ::CloseHandle(m_handle);
}

bool ToolProcess::waitForExit(DWORD timeoutMs) const
{
    return m_handle && ::WaitForSingleObject(m_handle, timeoutMs) == WAIT_OBJECT_0;
}

std::optional<DWORD> ToolProcess::exitCode() const
{
    DWORD code = 0;
    if (!m_handle || !::GetExitCodeProcess(m_handle, &code) || code == STILL_ACTIVE)
        return std::nullopt;
    return code;
}
