#include "FloodProcess.h"

#include <EnvironmentBlock.h>
#include <Encoding.h>

#include <vector>

FloodProcess::FloodProcess(std::wstring floodExe, std::wstring mode, bool input, std::wstring arguments)
    : m_floodExe(std::move(floodExe))
    , m_mode(std::move(mode))
    , m_withInput(input)
    , m_arguments(std::move(arguments))
{
}

FloodProcess::~FloodProcess()
{
    m_input.reset();
    m_output.reset();
    if (m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(m_process.get(), 0xBE7C);
        ::WaitForSingleObject(m_process.get(), 5000);
    }
}

bool FloodProcess::Start(std::string& error)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        error = "cannot create the output pipe (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    m_output.reset(readEnd);
    testkit::OwnedHandle childOutput(writeEnd);
    ::SetHandleInformation(m_output.get(), HANDLE_FLAG_INHERIT, 0);

    testkit::OwnedHandle childInput;
    if (m_withInput) {
        if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
            error = "cannot create the input pipe (error " + std::to_string(::GetLastError()) + ")";
            return false;
        }
        childInput.reset(readEnd);
        m_input.reset(writeEnd);
        ::SetHandleInformation(m_input.get(), HANDLE_FLAG_INHERIT, 0);
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = childInput.get();
    startup.hStdOutput = childOutput.get();
    startup.hStdError = childOutput.get();

    e2e::EnvironmentBlock environment({{L"FLOOD_MODE", m_mode}});
    std::wstring commandLine = L"\"" + m_floodExe + L"\"";
    if (!m_arguments.empty())
        commandLine += L" " + m_arguments;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
            CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &started)) {
        error = "cannot start " + testkit::encoding::toUtf8(m_floodExe) + " (error " + std::to_string(::GetLastError())
            + ")";
        return false;
    }
    m_process.reset(started.hProcess);
    testkit::OwnedHandle thread(started.hThread);
    return true;
}

std::uint64_t FloodProcess::Drain(std::size_t chunk, std::uint64_t limit)
{
    std::vector<char> buffer(chunk);
    std::uint64_t total = 0;
    DWORD read = 0;
    while (total < limit) {
        const DWORD wanted = static_cast<DWORD>(limit - total < chunk ? limit - total : chunk);
        if (!::ReadFile(m_output.get(), buffer.data(), wanted, &read, nullptr))
            break;
        total += read;
    }
    return total;
}

std::uint64_t FloodProcess::DrainPeeking(std::size_t chunk)
{
    std::vector<char> buffer(chunk);
    std::uint64_t total = 0;
    for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(m_output.get(), buffer.data(), static_cast<DWORD>(chunk), &available, nullptr, nullptr))
            return total;
        if (available == 0) {
            ::Sleep(1);
            continue;
        }
        DWORD read = 0;
        if (!::ReadFile(m_output.get(), buffer.data(), available, &read, nullptr))
            return total;
        total += read;
    }
}

std::string FloodProcess::ReadAll()
{
    std::string text;
    char buffer[64 * 1024];
    DWORD read = 0;
    while (::ReadFile(m_output.get(), buffer, sizeof buffer, &read, nullptr))
        text.append(buffer, read);
    return text;
}

std::optional<std::string> FloodProcess::ReadLine()
{
    std::string line;
    char byte = 0;
    DWORD read = 0;
    while (::ReadFile(m_output.get(), &byte, 1, &read, nullptr) && read == 1) {
        if (byte == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        line += byte;
    }
    return std::nullopt;
}

bool FloodProcess::SendGo()
{
    const char go = 'g';
    DWORD written = 0;
    return m_input && ::WriteFile(m_input.get(), &go, 1, &written, nullptr) && written == 1;
}

std::optional<DWORD> FloodProcess::WaitForExit(DWORD timeoutMs) const
{
    DWORD code = 0;
    if (!m_process || ::WaitForSingleObject(m_process.get(), timeoutMs) != WAIT_OBJECT_0
        || !::GetExitCodeProcess(m_process.get(), &code))
        return std::nullopt;
    return code;
}
