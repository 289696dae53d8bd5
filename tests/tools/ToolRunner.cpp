#include "ToolRunner.h"

#include <UniqueAny.h>

namespace {

// Quotes one argument so CommandLineToArgvW gives it back unchanged.
std::wstring quote(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

std::wstring fromAnsi(const std::string& bytes)
{
    if (bytes.empty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

} // namespace

std::wstring ToolRun::lastNonBlankLine() const
{
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->find_first_not_of(L" \t") != std::wstring::npos)
            return *it;
    return {};
}

std::wstring ToolRun::allText() const
{
    std::wstring text;
    for (const std::wstring& line : lines)
        text += line + L"\n";
    return text;
}

ToolRun ToolRunner::run(const std::wstring& exe, const std::vector<std::wstring>& args, DWORD timeoutMs)
{
    ToolRun result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        result.exitCode = static_cast<DWORD>(-1);
        return result;
    }
    UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = quote(exe);
    for (const std::wstring& arg : args)
        commandLine += L" " + quote(arg);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writer.get();
    si.hStdError = writer.get();
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(
            exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        result.exitCode = static_cast<DWORD>(-1);
        return result;
    }
    UniqueHandle process(pi.hProcess);
    UniqueHandle thread(pi.hThread);
    writer.reset(); // otherwise the pipe never reports end of output

    std::string bytes;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(reader.get(), nullptr, 0, nullptr, &available, nullptr))
            break; // every writer has closed: the output is complete
        if (available == 0) {
            if (GetTickCount64() > deadline) {
                TerminateProcess(process.get(), 1);
                result.timedOut = true;
                break;
            }
            Sleep(5);
            continue;
        }
        char buffer[4096];
        DWORD got = 0;
        const DWORD want = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
        if (!ReadFile(reader.get(), buffer, want, &got, nullptr))
            break;
        bytes.append(buffer, got);
    }
    WaitForSingleObject(process.get(), timeoutMs);
    GetExitCodeProcess(process.get(), &result.exitCode);

    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t nl = bytes.find('\n', start);
        std::string line = bytes.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (nl != std::string::npos) {
            if (line.empty() || line.back() != '\r')
                result.crlfOnly = false;
            else
                line.pop_back();
        }
        result.lines.push_back(fromAnsi(line));
        start = nl == std::string::npos ? bytes.size() : nl + 1;
    }
    return result;
}

std::wstring hostPath(const char* utf8Path)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8Path, -1, nullptr, 0);
    std::wstring path(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Path, -1, path.data(), n);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return (!path.empty() && path[0] == L'\\') ? L"Z:" + path : path;
}
