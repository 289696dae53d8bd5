#include "ToolRunner.h"

#include "ConsoleRun.h"
#include "Encoding.h"
#include "Sandbox.h"

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
    e2e::ConsoleRunOptions options;
    for (const std::wstring& arg : args)
        options.arguments += (options.arguments.empty() ? L"" : L" ") + quote(arg);
    options.mergeStreams = true;
    options.hiddenConsole = true;
    e2e::ConsoleRun tool(exe, options);
    ToolRun result;
    const std::chrono::milliseconds timeout(timeoutMs);
    result.timedOut = !tool.start() || !tool.readToEnd(timeout) || !tool.waitForExit(timeout);
    result.exitCode = tool.exitCode().value_or(static_cast<DWORD>(-1));

    const std::string& bytes = tool.out();
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
        result.lines.push_back(testkit::encoding::fromAnsi(line));
        start = nl == std::string::npos ? bytes.size() : nl + 1;
    }
    return result;
}

std::wstring hostPath(const char* utf8Path)
{
    std::wstring path = testkit::encoding::fromUtf8(utf8Path);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return (!path.empty() && path[0] == L'\\') ? L"Z:" + path : path;
}

Bytes fileBytes(const std::wstring& path)
{
    const std::string bytes = e2e::Sandbox::readBytes(path).value_or(std::string());
    return Bytes(bytes.begin(), bytes.end());
}

void putFile(const std::wstring& path, const Bytes& bytes)
{
    putFile(path, std::string(bytes.begin(), bytes.end()));
}

void putFile(const std::wstring& path, const std::string& bytes)
{
    if (!e2e::Sandbox::writeBytes(path, bytes))
        ADD_FAILURE() << "cannot write " << testkit::encoding::toUtf8(path);
}
