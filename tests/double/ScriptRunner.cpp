#include "ScriptRunner.h"

#include "Encoding.h"
#include "FillerText.h"
#include "TickLine.h"

#include <UniqueAny.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tooldouble {
namespace {

using testkit::encoding::toUtf8;

// A benchmark's flood goes out in writes this big, so the double is never
// what holds the reader up.
constexpr std::size_t kFillerWriteBytes = 64 * 1024;

LONGLONG now()
{
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

const char* handleKind(DWORD which)
{
    const HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return "none";
    switch (::GetFileType(handle)) {
    case FILE_TYPE_PIPE:
        return "pipe";
    case FILE_TYPE_CHAR:
        return "char";
    case FILE_TYPE_DISK:
        return "disk";
    default:
        return "unknown";
    }
}

std::wstring currentDirectory()
{
    std::wstring directory(MAX_PATH, L'\0');
    DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data());
    if (length > directory.size()) {
        directory.resize(length);
        length = ::GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data());
    }
    directory.resize(length);
    return directory;
}

// Appending lets one file collect every run of a tool during a test.
bool appendToFile(const std::wstring& path, const std::string& text)
{
    const UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
        && written == text.size();
}

// The console the double was given: none, one with no window, or one with a
// window, shown or not.
const char* consoleKind()
{
    const HWND window = ::GetConsoleWindow();
    if (window)
        return ::IsWindowVisible(window) ? "visible" : "hidden";
    return ::GetConsoleOutputCP() != 0 ? "windowless" : "none";
}

std::string hex4(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04lx", value);
    return text;
}

std::wstring quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

} // namespace

ScriptRunner::ScriptRunner(Identity identity)
    : identity_(std::move(identity))
{
}

void ScriptRunner::complain(int line, const std::string& message)
{
    std::string text = "tooldouble: ";
    if (line > 0)
        text += "line " + std::to_string(line) + ": ";
    text += message + "\r\n";
    // Tools print in the ANSI code page; so does the double about itself.
    text = testkit::encoding::toAnsi(testkit::encoding::fromUtf8(text));
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::uint32_t ScriptRunner::run(const Script& script)
{
    for (const Command& command : script.commands()) {
        if (command.verb == Verb::Exit)
            return command.exitCode;
        if (!perform(command))
            return exitCodeOnFailure(command.verb);
    }
    return 0;
}

bool ScriptRunner::perform(const Command& command)
{
    switch (command.verb) {
    case Verb::Write:
        return write(command.stream, command.bytes);
    case Verb::Filler:
        return writeFiller(command);
    case Verb::Ticks:
        return writeTicks(command);
    case Verb::FloodTimed:
        return floodTimed(command);
    case Verb::Sleep:
        ::Sleep(static_cast<DWORD>(command.amount));
        return true;
    case Verb::WaitFile:
        return waitForFile(command);
    case Verb::Touch:
        return touch(command);
    case Verb::Args:
        return recordArguments(command);
    case Verb::Handle:
        return reportHandle(command);
    case Verb::Spawn:
        return spawn(command);
    case Verb::Leak:
        return leakHandles(command);
    case Verb::CloseStd:
        closeStandardStreams();
        return true;
    case Verb::Crash:
        crash();
    case Verb::Exit:
        break;
    }
    return true;
}

std::uint32_t ScriptRunner::exitCodeOnFailure(Verb verb)
{
    switch (verb) {
    case Verb::Write:
    case Verb::Filler:
    case Verb::Ticks:
    case Verb::FloodTimed:
        return kExitStreamClosed;
    case Verb::WaitFile:
        return kExitWaitGaveUp;
    case Verb::Spawn:
        return kExitSpawnFailed;
    case Verb::Touch:
    case Verb::Args:
    case Verb::Handle:
    case Verb::Leak:
        return kExitFileFailed;
    case Verb::Sleep:
    case Verb::CloseStd:
    case Verb::Crash:
    case Verb::Exit:
        break;
    }
    // These cannot fail.
    return 0;
}

bool ScriptRunner::write(Stream stream, std::string_view bytes)
{
    // Straight to the handle, no C runtime buffer: each command's bytes are
    // in the pipe by the time the next command starts.
    const HANDLE handle = ::GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - offset, 1 << 20));
        if (!::WriteFile(handle, bytes.data() + offset, chunk, &written, nullptr) || written == 0)
            return false;
        offset += written;
    }
    return true;
}

bool ScriptRunner::writeFiller(const Command& command)
{
    FillerText filler(command.amount, command.width);
    std::vector<char> buffer(kFillerWriteBytes);
    while (const std::size_t length = filler.fill(buffer.data(), buffer.size())) {
        if (!write(command.stream, std::string_view(buffer.data(), length)))
            return false;
    }
    return true;
}

bool ScriptRunner::writeTicks(const Command& command)
{
    // Each line is due at a fixed offset from the start, so a late line does
    // not push the later ones back.
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    const LONGLONG start = now();
    const LONGLONG perTick = frequency.QuadPart * command.intervalMs / 1000;
    for (std::uint32_t tick = 1; tick <= command.amount; ++tick) {
        const LONGLONG due = start + perTick * tick;
        for (LONGLONG at = now(); at < due; at = now()) {
            const LONGLONG waitMs = (due - at) * 1000 / frequency.QuadPart;
            ::Sleep(waitMs > 1 ? static_cast<DWORD>(waitMs - 1) : 0);
        }
        if (!write(Stream::Out, TickLine{tick, now()}.text()))
            return false;
    }
    return true;
}

bool ScriptRunner::floodTimed(const Command& command)
{
    // Small writes, so that each wait is the reader's and not the size of
    // the write's; only the waits that count are noted.
    constexpr std::size_t kWriteBytes = 4096;
    constexpr DWORD kLookForStopMs = 20;
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    const LONGLONG worthNoting = frequency.QuadPart / 200; // 5 ms
    const std::wstring stop = command.path + L".stop";
    FillerText filler(std::uint64_t(1) << 40);
    std::vector<char> buffer(kWriteBytes);
    std::string record = "frequency " + std::to_string(frequency.QuadPart) + "\r\n";
    DWORD looked = ::GetTickCount();
    for (;;) {
        if (::GetTickCount() - looked >= kLookForStopMs) {
            looked = ::GetTickCount();
            if (::GetFileAttributesW(stop.c_str()) != INVALID_FILE_ATTRIBUTES)
                break;
        }
        const std::size_t length = filler.fill(buffer.data(), buffer.size());
        const LONGLONG before = now();
        if (!write(Stream::Out, std::string_view(buffer.data(), length)))
            return false;
        const LONGLONG waited = now() - before;
        if (waited >= worthNoting)
            record += std::to_string(before) + " " + std::to_string(waited) + "\r\n";
    }
    record += "end\r\n";
    const UniqueFile file(
        ::CreateFileW(command.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
}

bool ScriptRunner::waitForFile(const Command& command)
{
    const ULONGLONG deadline = ::GetTickCount64() + kWaitFileCapMs;
    while (::GetFileAttributesW(command.path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (::GetTickCount64() >= deadline) {
            complain(command.line, "waitfile gave up on " + toUtf8(command.path));
            return false;
        }
        ::Sleep(10);
    }
    return true;
}

bool ScriptRunner::touch(const Command& command)
{
    const UniqueFile file(::CreateFileW(command.path.c_str(), GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        complain(command.line,
            "cannot create " + toUtf8(command.path) + " (error " + std::to_string(::GetLastError()) + ")");
        return false;
    }
    return true;
}

bool ScriptRunner::recordArguments(const Command& command)
{
    const wchar_t* commandLine = ::GetCommandLineW();
    std::string record;
    const auto field = [&record](const std::string& key, const std::wstring& value) {
        record += key + "=" + testkit::encoding::toRecordValue(value) + "\n";
    };

    field("pid", std::to_wstring(::GetCurrentProcessId()));
    field("exe", identity_.exePath);
    field("cwd", currentDirectory());
    field("cmdline", commandLine);
    field("argc", std::to_wstring(identity_.argv.size()));
    for (std::size_t i = 0; i < identity_.argv.size(); ++i)
        field("argv[" + std::to_string(i) + "]", identity_.argv[i]);

    int shellCount = 0;
    if (const UniqueLocal<wchar_t**> shellArgs(::CommandLineToArgvW(commandLine, &shellCount)); shellArgs) {
        field("shellargc", std::to_wstring(shellCount));
        for (int i = 0; i < shellCount; ++i)
            field("shellargv[" + std::to_string(i) + "]", shellArgs.get()[i]);
    } else {
        field("shellargc", L"-1");
    }

    record += std::string("stdin=") + handleKind(STD_INPUT_HANDLE) + "\n";
    record += std::string("stdout=") + handleKind(STD_OUTPUT_HANDLE) + "\n";
    record += std::string("stderr=") + handleKind(STD_ERROR_HANDLE) + "\n";
    record += std::string("console=") + consoleKind() + "\n";
    record += "consolecp=" + std::to_string(::GetConsoleOutputCP()) + "\n";
    record += "userlocale=" + hex4(::GetUserDefaultLCID()) + "\n";
    record += "acp=" + std::to_string(::GetACP()) + "\n";
    record += "end\n";

    if (!appendToFile(command.path, record)) {
        complain(command.line, "cannot record arguments in " + toUtf8(command.path));
        return false;
    }
    return true;
}

bool ScriptRunner::reportHandle(const Command& command)
{
    // A set event is what a test hands on; a handle of that value that the
    // double holds for some other object of its own is not it.
    const HANDLE handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(command.amount));
    DWORD flags = 0;
    const char* state = !::GetHandleInformation(handle, &flags) ? "none"
        : ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0     ? "set"
                                                                : "other";
    if (!appendToFile(command.path, std::to_string(command.amount) + "=" + state + "\n")) {
        complain(command.line, "cannot report the handle in " + toUtf8(command.path));
        return false;
    }
    return true;
}

bool ScriptRunner::leakHandles(const Command& command)
{
    // Handles it never closes, for checking how handles are counted.
    for (std::uint64_t i = 0; i < command.amount; ++i) {
        if (!::CreateEventW(nullptr, TRUE, FALSE, nullptr))
            return false;
    }
    return true;
}

bool ScriptRunner::spawn(const Command& command)
{
    // The copy must hold the very pipe ends this process writes to, as a
    // real tool's helper would: inherit them as its standard handles.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }

    if (!::SetEnvironmentVariableW(identity_.scriptVariable.c_str(), command.path.c_str())) {
        complain(command.line, "cannot pass the script on");
        return false;
    }
    std::wstring commandLine = quoted(identity_.exePath);
    PROCESS_INFORMATION process{};
    // Detached rather than CREATE_NO_WINDOW: Wine gives a hidden console a
    // conhost.exe that inherits every inheritable handle, pipe ends included.
    if (!::CreateProcessW(identity_.exePath.c_str(), commandLine.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS,
            nullptr, nullptr, &startup, &process)) {
        complain(command.line, "cannot start a copy (error " + std::to_string(::GetLastError()) + ")");
        return false;
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    return true;
}

void ScriptRunner::closeStandardStreams()
{
    // stdout and stderr are often one handle (Tarrow merges the streams):
    // close each distinct handle once. The double writes only through these
    // handles, never through the C runtime's descriptors.
    const UniqueFile out(::GetStdHandle(STD_OUTPUT_HANDLE));
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    const UniqueFile closingErr(err != out.get() ? err : INVALID_HANDLE_VALUE);
    ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    ::SetStdHandle(STD_ERROR_HANDLE, nullptr);
}

LONG WINAPI ScriptRunner::endOnUnhandledException(EXCEPTION_POINTERS*)
{
    // What Windows does when no debugger and no error report step in.
    return EXCEPTION_EXECUTE_HANDLER;
}

void ScriptRunner::crash()
{
    // A real, unhandled crash: what follows it (a debugger, a report) is the
    // platform's, as for any tool.
    // A write to a page reserved without access faults everywhere; a null
    // pointer does not under Wine, which maps the lowest pages.
    auto* target = static_cast<int*>(::VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS));
    if (target) {
        int* volatile forbidden = target;
        *forbidden = 1;
    }
    ::RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    ::ExitProcess(EXCEPTION_ACCESS_VIOLATION);
}

} // namespace tooldouble
