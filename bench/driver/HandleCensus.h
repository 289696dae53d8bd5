#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Counts the handles another process holds. GetProcessHandleCount answers 0
// under Wine, so where it does, the census probes the handle values 4, 8,
// 12, ... instead, duplicating each from the process (which must be open
// with PROCESS_DUP_HANDLE) and counting the ones that exist. Both Windows
// and Wine hand out the lowest free value, so the table is dense and the
// probe stops after a long run of free values.
class HandleCensus {
public:
    struct Count {
        unsigned handles;
        bool probed; // false: GetProcessHandleCount answered
    };

    static std::optional<Count> Take(HANDLE process);
    // Take, once two counts a moment apart agree: a process that has only
    // just started may still be opening or closing handles of its start-up
    // after its first output, the more so on a loaded machine.
    static std::optional<Count> TakeSettled(HANDLE process);
    // The probe alone, whatever GetProcessHandleCount says.
    static unsigned Probe(HANDLE process);
    static std::string MethodName(bool probed);

    // Free values in a row after which no more handles are looked for.
    static constexpr unsigned kFreeRunToStop = 1024;
};
