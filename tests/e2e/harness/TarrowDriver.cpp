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

std::wstring directoryOf(const std::wstring& path)
{
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

} // namespace

TarrowDriver::TarrowDriver(const Sandbox& sandbox, LaunchOptions options)
    : TarrowDriver(sandbox.tarrowPath(), std::move(options))
{
    // Later entries win in EnvironmentBlock, so the test's own options
    // override the sandbox's.
    options_.environment = combined(sandbox.environment(), options_.environment);
}

TarrowDriver::TarrowDriver(std::wstring exePath, LaunchOptions options)
    : exePath_(std::move(exePath))
    , options_(std::move(options))
{
}

TarrowDriver::~TarrowDriver()
{
    terminate();
}

testing::AssertionResult TarrowDriver::start()
{
    if (process_)
        return testing::AssertionFailure() << "already started";
    EnvironmentBlock environment(options_.environment);
    std::wstring commandLine = L"\"" + exePath_ + L"\"";
    if (!options_.arguments.empty())
        commandLine += L" " + options_.arguments;
    const std::wstring directory
        = options_.workingDirectory.empty() ? directoryOf(exePath_) : options_.workingDirectory;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(exePath_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
            environment.data(), directory.empty() ? nullptr : directory.c_str(), &startup, &process))
        return testing::AssertionFailure()
            << "cannot start " << toUtf8(exePath_) << " (error " << ::GetLastError() << ")";
    process_.reset(process.hProcess);
    testkit::OwnedHandle thread(process.hThread);
    pid_ = process.dwProcessId;

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
    for (const Window& window : Window::topLevelOf(pid_)) {
        if (window.className() == L"#32770" && !::GetWindow(window.handle(), GW_OWNER))
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

std::wstring TarrowDriver::logText() const
{
    std::optional<std::wstring> text = tryLogText();
    if (!text)
        ADD_FAILURE() << "the log pane did not answer WM_GETTEXT within " << Window::kAnswerTimeout.count() << " ms; "
                      << describe();
    return text.value_or(std::wstring());
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
    if (!process_)
        return testing::AssertionFailure() << "Tarrow was never started";
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "Tarrow still ran after " << timeout.count() << " ms; " << describe();
}

bool TarrowDriver::alive() const
{
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> TarrowDriver::exitCode() const
{
    DWORD code = 0;
    if (!process_ || alive() || !::GetExitCodeProcess(process_.get(), &code))
        return std::nullopt;
    return code;
}

std::vector<Window> TarrowDriver::otherWindows() const
{
    std::vector<Window> others;
    for (const Window& window : Window::topLevelOf(pid_)) {
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

std::optional<std::vector<MenuItem>> TarrowDriver::systemMenu()
{
    if (!probe_)
        probe_ = std::make_unique<Probe>(window_);
    return probe_->systemMenu();
}

std::optional<FontInfo> TarrowDriver::controlFont(int id)
{
    if (!probe_)
        probe_ = std::make_unique<Probe>(window_);
    return probe_->controlFont(id);
}

testing::AssertionResult TarrowDriver::dropFiles(const std::vector<std::wstring>& paths)
{
    if (!probe_)
        probe_ = std::make_unique<Probe>(window_);
    if (probe_->dropFiles(paths))
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
    return ::GetProcessHandleCount(process_.get(), &count) ? count : 0;
}

std::size_t TarrowDriver::privateBytes() const
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(process_.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return 0;
    return counters.PrivateUsage;
}

void TarrowDriver::terminate()
{
    if (alive()) {
        ::TerminateProcess(process_.get(), 0xE2E);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

std::string TarrowDriver::describe() const
{
    std::string text;
    if (!process_)
        text = "Tarrow not started";
    else if (alive())
        text = "Tarrow running (pid " + std::to_string(pid_) + ")";
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
