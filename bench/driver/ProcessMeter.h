#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

// CPU time and private memory of another process, read so that the figures
// mean something under Wine too: there GetProcessTimes of another process
// answers (near) zero and PROCESS_MEMORY_COUNTERS_EX::PrivateUsage is 0, so
// the meter also sums GetThreadTimes over the process's threads and walks its
// address space with VirtualQueryEx, and takes what is there.
class ProcessMeter {
public:
    // process needs PROCESS_QUERY_INFORMATION | PROCESS_VM_READ.
    ProcessMeter(HANDLE process, DWORD processId)
        : m_process(process)
        , m_processId(processId)
    {
    }

    // User + kernel time: the larger of GetProcessTimes and the sum over the
    // threads alive now (a thread that ended is missing from the sum, which
    // is why the process figure is taken where it is real).
    std::optional<double> CpuSeconds() const;
    // PrivateUsage where the system fills it in, else the committed private
    // regions of the address space.
    std::optional<std::size_t> PrivateBytes() const;

    static std::string CpuMethod();
    std::string MemoryMethod() const;

private:
    std::optional<double> ThreadSeconds() const;
    std::optional<std::size_t> CommittedPrivate() const;

    HANDLE m_process;
    DWORD m_processId;
};
