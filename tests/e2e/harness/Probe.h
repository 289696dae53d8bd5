#pragma once

#include "ProbeProtocol.h"
#include "Wait.h"
#include "Window.h"

#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct MenuItem {
    unsigned id = 0;
    std::string kind; // "string", "separator" or "popup"
    unsigned state = 0;
    std::wstring text;

    bool separator() const { return kind == "separator"; }
};

struct FontInfo {
    std::wstring face;
    long height = 0;
    long weight = 0;
    int charset = 0;
};

// The probe DLL in one Tarrow (see ProbeProtocol.h): reads what only Tarrow's
// own process can see (its system menu, the fonts of its controls), and for
// the benchmark watches its log. The DLL is hooked into Tarrow's GUI thread
// only while a request is answered: Wine loads it into Tarrow for every
// message the hook sees, which would slow Tarrow down for the whole test.
class Probe {
public:
    // The window is Tarrow's main window, or any window of the thread to look into.
    explicit Probe(Window target)
        : target_(target)
    {
    }

    // Nothing if there was no answer; lastError() says why.
    std::optional<std::vector<MenuItem>> systemMenu(std::chrono::milliseconds timeout = kDefaultTimeout);
    // An empty face means the control has no font set (the system font).
    std::optional<FontInfo> controlFont(int controlId, std::chrono::milliseconds timeout = kDefaultTimeout);
    // Drops the files on the main window as Explorer does (WM_DROPFILES with
    // a drop block made in Tarrow's process). True once Tarrow's message loop
    // has dispatched the drop.
    bool dropFiles(const std::vector<std::wstring>& paths, std::chrono::milliseconds timeout = kDefaultTimeout);
    // Presses the key in the window through Tarrow's own message loop, with
    // the held keys (Ctrl, Shift) down meanwhile as far as GetKeyState can
    // tell. True once the loop has dispatched it.
    bool pressKeys(const Window& window, UINT key, const std::vector<UINT>& held,
        std::chrono::milliseconds timeout = kDefaultTimeout);
    const std::string& lastError() const { return lastError_; }

    // Has the probe watch the log for as long as Tarrow runs, so that what
    // follows is measured from inside; the figures below are live.
    testing::AssertionResult watch(const Window& log, std::chrono::milliseconds timeout = kDefaultTimeout);
    const probe::Layout& layout() const { return *shared(); }
    // From now on the probe reads every append for tick lines.
    void readTicks() { ::InterlockedExchange(&shared()->readTicks, 1); }
    // From now on the probe notes when the log has got this many characters.
    void watchFor(LONGLONG chars) { ::InterlockedExchange64(&shared()->targetChars, chars); }
    // Zero until the log had them.
    LONGLONG targetReachedAt() const { return ::InterlockedCompareExchange64(&shared()->targetReachedAt, 0, 0); }
    LONGLONG charsAppended() const { return ::InterlockedCompareExchange64(&shared()->charsAppended, 0, 0); }

private:
    using Fields = std::vector<std::pair<std::string, std::wstring>>;

    probe::Layout* shared() const { return static_cast<probe::Layout*>(view_.get()); }
    bool prepare();
    std::optional<Fields> ask(const Window& window, probe::RequestKind kind, int argument,
        std::chrono::milliseconds timeout, const std::string& input = {});

    Window target_;
    UniqueHandle mapping_;
    UniqueView view_;
    UniqueModule module_;
    HOOKPROC hookProcedure_ = nullptr;
    std::string lastError_;
};

} // namespace e2e
