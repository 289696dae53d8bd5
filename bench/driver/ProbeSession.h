#pragma once

#include <ProbeLayout.h>

#include <OwnedHandle.h>
#include <Window.h>

#include <windows.h>

#include <string>

// The benchmark probe in one Tarrow: the shared memory it reports into and
// the hook that loads it into Tarrow's GUI thread. The probe stays in Tarrow,
// watching the log, after the object (and the hook) is gone; see
// ProbeLayout.h for what it records.
class ProbeSession {
public:
    ProbeSession() = default;
    ~ProbeSession();
    ProbeSession(const ProbeSession&) = delete;
    ProbeSession& operator=(const ProbeSession&) = delete;

    // Maps the memory, hooks the thread and makes sure the probe watches the
    // log before anything is measured. On failure says why.
    bool Attach(DWORD tarrowProcessId, DWORD guiThreadId, const e2e::Window& log, std::string& error);

    const benchprobe::Layout& layout() const { return *m_layout; }
    // From now on the probe reads every append for tick lines.
    void ReadTicks() { ::InterlockedExchange(&m_layout->readTicks, 1); }
    // From now on the probe notes when the log has got this many characters.
    void WatchFor(LONGLONG chars) { ::InterlockedExchange64(&m_layout->targetChars, chars); }
    // Zero until the log had them.
    LONGLONG TargetReachedAt() const { return ::InterlockedCompareExchange64(&m_layout->targetReachedAt, 0, 0); }
    LONGLONG CharsAppended() const { return ::InterlockedCompareExchange64(&m_layout->charsAppended, 0, 0); }

private:
    using OwnedModule = testkit::OwnedModule;
    using OwnedHook = testkit::OwnedHook;

    testkit::OwnedHandle m_mapping;
    benchprobe::Layout* m_layout = nullptr;
    // Declared before the hook, so the hook goes before the DLL does.
    OwnedModule m_module;
    OwnedHook m_loader;
};
