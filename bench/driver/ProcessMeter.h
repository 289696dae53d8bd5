#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

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
    // The largest block of committed private memory in the address space
    // (VirtualQueryEx walk): what the biggest single allocation holds.
    std::optional<std::size_t> LargestCommittedPrivate() const;

    // Of regions in address order (as the walk gives them), the committed
    // MEM_PRIVATE bytes of the allocation that has most. The regions of one
    // allocation (one AllocationBase) count together: an allocation shows as
    // several regions where parts of it differ in state or protection.
    static std::size_t LargestPrivateAllocation(const std::vector<MEMORY_BASIC_INFORMATION>& regions);

    static std::string CpuMethod();
    std::string MemoryMethod() const;

private:
    std::optional<double> ThreadSeconds() const;
    std::optional<std::size_t> CommittedPrivate() const;
    // Every region of the address space, in address order; empty if the
    // process could not be read.
    std::vector<MEMORY_BASIC_INFORMATION> Regions() const;

    HANDLE m_process;
    DWORD m_processId;
};
