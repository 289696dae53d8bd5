#pragma once

#include "OwnedHandle.h"
#include "Wait.h"
#include "Window.h"

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

// Reads what only Tarrow's own process can see (its system menu, the fonts
// of its controls) through the probe DLL hooked into its GUI thread. Under
// Wine GetSystemMenu of another process's window is simply null.
class Probe {
public:
    explicit Probe(Window target)
        : target_(target)
    {
    }

    // Nothing if there was no answer; lastError() says why.
    std::optional<std::vector<MenuItem>> systemMenu(std::chrono::milliseconds timeout = kDefaultTimeout);
    // An empty face means the control has no font set (the system font).
    std::optional<FontInfo> controlFont(int controlId, std::chrono::milliseconds timeout = kDefaultTimeout);
    // Drops the files on the main window as Explorer does (WM_DROPFILES with
    // a drop block made in Tarrow's process). True once the drop is posted;
    // Tarrow handles it after that, in its own time.
    bool dropFiles(const std::vector<std::wstring>& paths, std::chrono::milliseconds timeout = kDefaultTimeout);

    const std::string& lastError() const { return lastError_; }

private:
    std::optional<std::vector<std::pair<std::string, std::wstring>>> ask(
        unsigned short kind, unsigned short argument, std::chrono::milliseconds timeout, const std::string& input = {});

    testing::AssertionResult loadHook();

    Window target_;
    testkit::OwnedModule module_;
    HOOKPROC hookProcedure_ = nullptr;
    std::string lastError_;
};

} // namespace e2e
