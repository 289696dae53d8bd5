#include "TarrowDriver.h"

#include "Encoding.h"
#include "Sandbox.h"

#include <psapi.h>

namespace e2e {
namespace {

using testkit::encoding::toUtf8;

constexpr std::size_t kLogTailForMessages = 1500;

std::vector<EnvVar> combined(const std::vector<EnvVar>& first, const std::vector<EnvVar>& second)
{
    std::vector<EnvVar> all = first;
    all.insert(all.end(), second.begin(), second.end());
    return all;
}

} // namespace

TarrowDriver::TarrowDriver(const Sandbox& sandbox, LaunchOptions options)
    : TarrowDriver(sandbox.tarrowPath(), std::move(options))
{
    // Later entries win, so the test's own options override the sandbox's.
    options_.environment = combined(sandbox.environment(), options_.environment);
}

TarrowDriver::TarrowDriver(std::wstring exePath, LaunchOptions options)
    : exePath_(std::move(exePath))
    , options_(std::move(options))
{
}

TarrowDriver::~TarrowDriver()
{
    // A tool cut off from its Tarrow may never learn of it (one blocked on
    // a full pipe under Wine, say), so the tools go too.
    const std::vector<Process> tools = process_.children();
    process_.terminate();
    for (const Process& tool : tools)
        tool.terminate();
}

testing::AssertionResult TarrowDriver::start()
{
    const std::wstring directory = options_.workingDirectory.empty() ? exePath_.substr(0, exePath_.find_last_of(L"\\/"))
                                                                     : options_.workingDirectory;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (testing::AssertionResult started
        = process_.start(exePath_, options_.arguments, options_.environment, directory, 0, startup);
        !started)
        return started;

    waitUntil([&] { return (window_ = findMainWindow()) || !alive(); }, options_.windowTimeout);
    if (window_)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no Tarrow window within " << options_.windowTimeout.count() << " ms; "
                                       << describe();
}

Window TarrowDriver::findMainWindow() const
{
    // A message box is a dialog too, but owned by the main window: one shown
    // at once at start-up (a file from the command line) sits above it.
    for (const Window& window : Window::topLevelOf(pid())) {
        if (window.className() == L"#32770" && !::GetWindow(window.handle(), GW_OWNER) && window.child(ids::kLog))
            return window;
    }
    return Window();
}

testing::AssertionResult TarrowDriver::setText(int id, const std::wstring& text)
{
    const Window target = control(id);
    if (!target)
        return testing::AssertionFailure() << "no control " << id;
    if (!target.setText(text))
        return testing::AssertionFailure() << "control " << id << " did not take the text; " << describe();
    return testing::AssertionSuccess();
}

void TarrowDriver::command(int id)
{
    window_.post(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control(id).handle()));
}

Window TarrowDriver::focus() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (::GetGUIThreadInfo(window_.threadId(), &info) && info.hwndFocus)
        return Window(info.hwndFocus);
    return window_;
}

void TarrowDriver::systemCommand(WPARAM command)
{
    window_.post(WM_SYSCOMMAND, command, 0);
}

Window TarrowDriver::openLogMenu(LPARAM screenPoint) const
{
    log().post(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(log().handle()), screenPoint);
    const Window menu = waitForOtherWindow();
    return menu && menu.className() == L"#32768" ? menu : Window();
}

testing::AssertionResult TarrowDriver::chooseFromLogMenu(wchar_t mnemonic) const
{
    const Window menu = openLogMenu();
    if (!menu)
        return testing::AssertionFailure() << "the log's shortcut menu did not open; " << describe();
    menu.typeText(std::wstring(1, mnemonic));
    return testing::AssertionSuccess();
}

std::wstring TarrowDriver::logText() const
{
    std::optional<std::wstring> text = tryLogText();
    if (!text)
        ADD_FAILURE() << "the log pane did not answer WM_GETTEXT within " << Window::kAnswerTimeout.count() << " ms; "
                      << describe();
    return text.value_or(std::wstring());
}

std::optional<std::size_t> TarrowDriver::logLength(std::chrono::milliseconds timeout) const
{
    const std::optional<LRESULT> length = log().send(WM_GETTEXTLENGTH, 0, 0, timeout);
    if (!length || *length < 0)
        return std::nullopt;
    return static_cast<std::size_t>(*length);
}

std::vector<std::wstring> TarrowDriver::logLines() const
{
    std::vector<std::wstring> lines;
    const std::wstring text = logText();
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

testing::AssertionResult TarrowDriver::waitFor(
    const std::function<bool()>& condition, const std::string& what, std::chrono::milliseconds timeout) const
{
    if (waitUntil(condition, timeout))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "waited " << timeout.count() << " ms for " << what << " in vain; "
                                       << describe();
}

testing::AssertionResult TarrowDriver::waitForLog(const std::wstring& part, std::chrono::milliseconds timeout) const
{
    return waitFor(
        [&] {
            const std::optional<std::wstring> text = tryLogText();
            return text && text->find(part) != std::wstring::npos;
        },
        "the log to show '" + toUtf8(part) + "'", timeout);
}

testing::AssertionResult TarrowDriver::waitForExit(std::chrono::milliseconds timeout) const
{
    if (!process_.opened())
        return testing::AssertionFailure() << "Tarrow was never started";
    if (process_.waitForExit(timeout))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "Tarrow still ran after " << timeout.count() << " ms; " << describe();
}

std::vector<Window> TarrowDriver::otherWindows() const
{
    std::vector<Window> others;
    for (const Window& window : Window::topLevelOf(pid())) {
        if (window.handle() != window_.handle())
            others.push_back(window);
    }
    return others;
}

Window TarrowDriver::waitForOtherWindow(const std::wstring& caption, std::chrono::milliseconds timeout) const
{
    Window found;
    waitUntil(
        [&] {
            for (const Window& window : otherWindows()) {
                if (caption.empty() || window.text() == caption) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

Probe& TarrowDriver::probe()
{
    if (!probe_)
        probe_ = std::make_unique<Probe>(window_);
    return *probe_;
}

testing::AssertionResult TarrowDriver::pressKeys(const Window& window, UINT key, const std::vector<UINT>& held)
{
    if (probe().pressKeys(window, key, held))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "cannot press the keys: " << probe_->lastError();
}

testing::AssertionResult TarrowDriver::dropFiles(const std::vector<std::wstring>& paths)
{
    if (probe().dropFiles(paths))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "cannot drop the files: " << probe_->lastError();
}

const std::string& TarrowDriver::probeError() const
{
    static const std::string none;
    return probe_ ? probe_->lastError() : none;
}

DWORD TarrowDriver::processHandleCount() const
{
    DWORD count = 0;
    return ::GetProcessHandleCount(process(), &count) ? count : 0;
}

std::size_t TarrowDriver::privateBytes() const
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return 0;
    return counters.PrivateUsage;
}

std::string TarrowDriver::describe() const
{
    std::string text;
    if (!process_.opened())
        text = "Tarrow not started";
    else if (alive())
        text = "Tarrow running (pid " + std::to_string(pid()) + ")";
    else
        text = "Tarrow exited with code " + std::to_string(exitCode().value_or(0));
    if (!window_.exists())
        return text + ", no main window";
    const std::optional<std::wstring> log = tryLogText();
    if (!log)
        return text + ", the log does not answer";
    const std::wstring tail
        = log->size() > kLogTailForMessages ? L"…" + log->substr(log->size() - kLogTailForMessages) : *log;
    return text + ", log (" + std::to_string(log->size()) + " chars): \"" + toUtf8(tail) + "\"";
}

} // namespace e2e
