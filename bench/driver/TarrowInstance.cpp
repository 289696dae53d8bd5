#include "TarrowInstance.h"

#include <Encoding.h>
#include <Wait.h>

#include <tlhelp32.h>

namespace {

// The tools a Tarrow has started. Tarrow hands its children the read end of
// their own output pipe as well, so a tool cut off from a Tarrow that was
// ended mid-flood never sees its pipe break and would write on forever.
std::vector<testkit::OwnedHandle> ChildrenOf(DWORD parent)
{
    std::vector<testkit::OwnedHandle> children;
    testkit::OwnedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return children;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID != parent || entry.th32ProcessID == parent)
            continue;
        testkit::OwnedHandle child(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (child)
            children.push_back(std::move(child));
    }
    return children;
}

void End(HANDLE process)
{
    if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process, 0xBE7C);
        ::WaitForSingleObject(process, 5000);
    }
}

std::wstring DirectoryOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

} // namespace

TarrowInstance::TarrowInstance(std::wstring exePath, std::vector<e2e::EnvVar> environment)
    : m_exePath(std::move(exePath))
    , m_environment(std::move(environment))
{
}

TarrowInstance::~TarrowInstance()
{
    if (!m_process)
        return;
    const std::vector<testkit::OwnedHandle> tools = ChildrenOf(m_processId);
    End(m_process.get());
    for (const testkit::OwnedHandle& tool : tools)
        End(tool.get());
}

bool TarrowInstance::Start(std::string& error)
{
    e2e::EnvironmentBlock environment(m_environment);
    std::wstring commandLine = L"\"" + m_exePath + L"\"";
    const std::wstring directory = DirectoryOf(m_exePath);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(m_exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
            environment.data(), directory.c_str(), &startup, &started)) {
        error = "cannot start " + testkit::encoding::toUtf8(m_exePath) + " (error " + std::to_string(::GetLastError())
            + ")";
        return false;
    }
    m_process.reset(started.hProcess);
    testkit::OwnedHandle thread(started.hThread);
    m_processId = started.dwProcessId;

    const bool found = e2e::waitUntil(
        [&] {
            for (const e2e::Window& window : e2e::Window::topLevelOf(m_processId)) {
                if (window.className() == L"#32770" && window.child(kLog)) {
                    m_window = window;
                    return true;
                }
            }
            return ::WaitForSingleObject(m_process.get(), 0) != WAIT_TIMEOUT;
        },
        std::chrono::milliseconds(30000));
    if (!found || !m_window) {
        error = "no Tarrow window within 30 s";
        return false;
    }
    return true;
}

bool TarrowInstance::SetFile(const std::wstring& path) const
{
    const std::optional<LRESULT> set
        = m_window.child(kFileBox).send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    return set && *set != FALSE;
}

bool TarrowInstance::ClickProgram() const
{
    return m_window.child(kProgramButton).click();
}

bool TarrowInstance::ProgramEnabled() const
{
    return m_window.child(kProgramButton).enabled();
}

bool TarrowInstance::WaitForRunStart(std::chrono::milliseconds timeout) const
{
    return e2e::waitUntil([&] { return !ProgramEnabled(); }, timeout, std::chrono::milliseconds(5));
}

bool TarrowInstance::WaitForRunEnd(std::chrono::milliseconds timeout) const
{
    return e2e::waitUntil([&] { return ProgramEnabled(); }, timeout, std::chrono::milliseconds(5));
}

std::optional<std::size_t> TarrowInstance::LogLength(std::chrono::milliseconds timeout) const
{
    const std::optional<LRESULT> length = log().send(WM_GETTEXTLENGTH, 0, 0, timeout);
    if (!length || *length < 0)
        return std::nullopt;
    return static_cast<std::size_t>(*length);
}

std::optional<std::wstring> TarrowInstance::LogText() const
{
    return log().tryText();
}
