#include "Wait.h"

#include <windows.h>

namespace e2e {

bool waitUntil(
    const std::function<bool()>& condition, std::chrono::milliseconds timeout, std::chrono::milliseconds interval)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        ::Sleep(static_cast<DWORD>(interval.count()));
    }
}

} // namespace e2e
