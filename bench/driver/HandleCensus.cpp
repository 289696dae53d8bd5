#include "HandleCensus.h"

#include <UniqueAny.h>

namespace {

// No process gets anywhere near this many handles in a benchmark; the bound
// only keeps a broken table from holding the probe forever.
constexpr ULONG_PTR kHighestValue = 4u << 20;

} // namespace

std::optional<HandleCensus::Count> HandleCensus::Take(HANDLE process)
{
    DWORD counted = 0;
    if (::GetProcessHandleCount(process, &counted) && counted > 0)
        return Count{counted, false};
    const unsigned probed = Probe(process);
    if (probed == 0)
        return std::nullopt;
    return Count{probed, true};
}

std::optional<HandleCensus::Count> HandleCensus::TakeSettled(HANDLE process)
{
    constexpr int kLooks = 40;
    constexpr DWORD kApartMs = 50;
    std::optional<Count> last = Take(process);
    for (int look = 0; last && look < kLooks; ++look) {
        ::Sleep(kApartMs);
        const std::optional<Count> now = Take(process);
        if (now && now->handles == last->handles)
            break;
        last = now;
    }
    return last;
}

unsigned HandleCensus::Probe(HANDLE process)
{
    unsigned found = 0;
    unsigned freeRun = 0;
    for (ULONG_PTR value = 4; value <= kHighestValue && freeRun < kFreeRunToStop; value += 4) {
        HANDLE copy = nullptr;
        if (::DuplicateHandle(process, reinterpret_cast<HANDLE>(value), ::GetCurrentProcess(), &copy, 0, FALSE,
                DUPLICATE_SAME_ACCESS)) {
            const UniqueHandle owned(copy);
            ++found;
            freeRun = 0;
        } else {
            ++freeRun;
        }
    }
    return found;
}

std::string HandleCensus::MethodName(bool probed)
{
    return probed ? "DuplicateHandle probe of handle values 4, 8, 12, ... (GetProcessHandleCount answers 0)"
                  : "GetProcessHandleCount";
}
