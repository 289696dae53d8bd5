#include "ProcessMeter.h"

#include <UniqueAny.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>

namespace {

double Seconds(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 1e7;
}

} // namespace

std::optional<double> ProcessMeter::CpuSeconds() const
{
    FILETIME created, ended, kernel, user;
    std::optional<double> process;
    if (::GetProcessTimes(m_process, &created, &ended, &kernel, &user))
        process = Seconds(kernel) + Seconds(user);
    const std::optional<double> threads = ThreadSeconds();
    if (process && threads)
        return std::max(*process, *threads);
    return process ? process : threads;
}

std::optional<double> ProcessMeter::ThreadSeconds() const
{
    // A snapshot reports failure as INVALID_HANDLE_VALUE, as CreateFile does.
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot)
        return std::nullopt;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    double total = 0;
    bool any = false;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != m_processId)
            continue;
        const UniqueHandle thread(::OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID));
        FILETIME created, ended, kernel, user;
        if (thread && ::GetThreadTimes(thread.get(), &created, &ended, &kernel, &user)) {
            total += Seconds(kernel) + Seconds(user);
            any = true;
        }
    }
    if (!any)
        return std::nullopt;
    return total;
}

std::optional<std::size_t> ProcessMeter::PrivateBytes() const
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(m_process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)
        && counters.PrivateUsage > 0)
        return counters.PrivateUsage;
    return CommittedPrivate();
}

std::vector<MEMORY_BASIC_INFORMATION> ProcessMeter::Regions() const
{
    std::vector<MEMORY_BASIC_INFORMATION> regions;
    MEMORY_BASIC_INFORMATION region;
    const char* address = nullptr;
    while (::VirtualQueryEx(m_process, address, &region, sizeof region) == sizeof region) {
        regions.push_back(region);
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return regions;
}

std::optional<std::size_t> ProcessMeter::CommittedPrivate() const
{
    const std::vector<MEMORY_BASIC_INFORMATION> regions = Regions();
    if (regions.empty())
        return std::nullopt;
    std::size_t total = 0;
    for (const MEMORY_BASIC_INFORMATION& region : regions) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
    }
    return total;
}

std::optional<std::size_t> ProcessMeter::LargestCommittedPrivate() const
{
    const std::vector<MEMORY_BASIC_INFORMATION> regions = Regions();
    if (regions.empty())
        return std::nullopt;
    return LargestPrivateAllocation(regions);
}

std::size_t ProcessMeter::LargestPrivateAllocation(const std::vector<MEMORY_BASIC_INFORMATION>& regions)
{
    std::size_t largest = 0;
    std::size_t current = 0;
    const void* base = nullptr;
    for (const MEMORY_BASIC_INFORMATION& region : regions) {
        // Free regions have no allocation, so each ends the one before.
        if (region.State == MEM_FREE || region.AllocationBase != base) {
            current = 0;
            base = region.State == MEM_FREE ? nullptr : region.AllocationBase;
        }
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            current += region.RegionSize;
        largest = std::max(largest, current);
    }
    return largest;
}

std::string ProcessMeter::CpuMethod()
{
    return "user+kernel time, the larger of GetProcessTimes and the sum of GetThreadTimes over the process's threads";
}

std::string ProcessMeter::MemoryMethod() const
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(m_process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)
        && counters.PrivateUsage > 0)
        return "PrivateUsage (GetProcessMemoryInfo)";
    return "committed MEM_PRIVATE regions (VirtualQueryEx walk; PrivateUsage answers 0)";
}
