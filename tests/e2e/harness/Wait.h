#pragma once

#include <chrono>
#include <functional>

namespace e2e {

// Generous on purpose: Wine on a loaded two-core machine can take seconds to
// start a program; a deadline only decides when a stuck test gives up.
constexpr std::chrono::milliseconds kDefaultTimeout{20000};

// Polls until condition() holds or the timeout passes; true if it held.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kDefaultTimeout,
    std::chrono::milliseconds interval = std::chrono::milliseconds(20));

// The same, dispatching this thread's messages meanwhile: for a test whose
// own windows or hooks must answer while it waits (a window Tarrow sends to,
// an out-of-context WinEvent hook, a peer process sending to our windows).
bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kDefaultTimeout);

} // namespace e2e
