#pragma once

#include "Probe.h"
#include "Process.h"
#include "TarrowIds.h"
#include "Wait.h"
#include "Window.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

class Sandbox;

struct LaunchOptions {
    std::vector<EnvVar> environment; // on top of the sandbox's and the test program's own
    std::wstring workingDirectory; // empty: the folder of the Tarrow copy, as Explorer would
    std::wstring arguments; // after the quoted program path
    std::chrono::milliseconds windowTimeout{30000};
};

// One running Tarrow and its main window, driven from outside like an
// operator would. Queries answer at once; actions are posted and return at
// once (Tarrow may be busy running a tool); waitFor... polls until a state is
// reached and, on a timeout, fails with what it waited for and the log.
//
//     Sandbox box;
//     box.installTool(L"burnkit.exe", "out 擦除完成\\r\\n");
//     TarrowDriver app(box);
//     ASSERT_TRUE(app.start());
//     app.click(ids::kErase);
//     EXPECT_TRUE(app.waitForLog(L"擦除完成"));
//
// A Tarrow still running when the object goes is terminated, and so are the
// tools it still runs.
class TarrowDriver {
public:
    explicit TarrowDriver(const Sandbox& sandbox, LaunchOptions options = {});
    explicit TarrowDriver(std::wstring exePath, LaunchOptions options = {});
    ~TarrowDriver();
    TarrowDriver(const TarrowDriver&) = delete;
    TarrowDriver& operator=(const TarrowDriver&) = delete;

    // Launches the program and waits for its main window.
    testing::AssertionResult start();

    DWORD pid() const { return process_.pid(); }
    HANDLE process() const { return process_.handle(); }
    Window window() const { return window_; }
    HWND hwnd() const { return window_.handle(); }

    // --- controls of the main window
    Window control(int id) const { return window_.child(id); }
    std::wstring text(int id) const { return control(id).text(); }
    testing::AssertionResult setText(int id, const std::wstring& text);
    bool isEnabled(int id) const { return control(id).enabled(); }
    bool isVisible(int id) const { return control(id).visible(); }
    // A mouse-like click (ignored by a disabled button); false if not delivered.
    bool click(int id) { return control(id).click(); }
    // WM_COMMAND/BN_CLICKED straight to the dialog, whatever the button's
    // state: what a keyboard accelerator or a stray message would do.
    void command(int id);

    // --- keyboard
    void pressKey(int id, UINT virtualKey) { control(id).pressKey(virtualKey); }
    // To the control that has the keyboard focus (the dialog if none has).
    void pressKeyOnFocus(UINT virtualKey) { focus().pressKey(virtualKey); }
    void typeText(int id, const std::wstring& text) { control(id).typeText(text); }
    Window focus() const;

    // --- window commands
    void systemCommand(WPARAM command);
    // The close box: WM_SYSCOMMAND/SC_CLOSE.
    void close() { systemCommand(SC_CLOSE); }

    // --- the log pane
    Window log() const { return control(ids::kLog); }
    std::optional<std::wstring> tryLogText() const { return log().tryText(); }
    // WM_GETTEXTLENGTH: nothing if the log did not answer in time.
    std::optional<std::size_t> logLength(std::chrono::milliseconds timeout = Window::kAnswerTimeout) const;
    // Fails the test if Tarrow does not answer within Window::kAnswerTimeout.
    std::wstring logText() const;
    // The log split at "\r\n"; text after the last one is the last line.
    std::vector<std::wstring> logLines() const;
    // Opens the log's shortcut menu, from the keyboard (below the caret) or
    // at a point of the screen; the menu's window, null if none came.
    Window openLogMenu(LPARAM screenPoint = MAKELPARAM(0xFFFF, 0xFFFF)) const;
    // Opens it from the keyboard and picks an item by its mnemonic.
    testing::AssertionResult chooseFromLogMenu(wchar_t mnemonic) const;

    // --- waiting
    testing::AssertionResult waitFor(const std::function<bool()>& condition, const std::string& what,
        std::chrono::milliseconds timeout = kDefaultTimeout) const;
    testing::AssertionResult waitForLog(
        const std::wstring& part, std::chrono::milliseconds timeout = kDefaultTimeout) const;
    testing::AssertionResult waitForExit(std::chrono::milliseconds timeout = kDefaultTimeout) const;
    bool alive() const { return process_.alive(); }
    std::optional<DWORD> exitCode() const { return process_.exitCode(); }

    // --- other windows of the process (about box, message box, file dialog)
    std::vector<Window> otherWindows() const;
    // The first visible top-level window of the process other than the main
    // one, with that caption if one is given; a null Window on timeout.
    Window waitForOtherWindow(
        const std::wstring& caption = {}, std::chrono::milliseconds timeout = kDefaultTimeout) const;

    // --- seen from inside the process (through the probe DLL)
    std::optional<std::vector<MenuItem>> systemMenu() { return probe().systemMenu(); }
    std::optional<FontInfo> controlFont(int id) { return probe().controlFont(id); }
    // A key with Ctrl or Shift held, pressed in a window of Tarrow's through
    // its own loop; see Probe::pressKeys.
    testing::AssertionResult pressKeys(const Window& window, UINT key, const std::vector<UINT>& held);
    // Drops the files on the window as Explorer does; see Probe::dropFiles.
    testing::AssertionResult dropFiles(const std::vector<std::wstring>& paths);
    const std::string& probeError() const;
    Probe& probe();

    // --- resources
    // GetProcessHandleCount; 0 under Wine, which does not count.
    DWORD processHandleCount() const;
    std::size_t privateBytes() const;

    // Ends Tarrow alone: its tools find out as they would.
    void terminate() { process_.terminate(); }

    // Process state, main window and the end of the log, for failure messages.
    std::string describe() const;

private:
    Window findMainWindow() const;

    std::wstring exePath_;
    LaunchOptions options_;
    Process process_;
    Window window_;
    std::unique_ptr<Probe> probe_;
};

} // namespace e2e
