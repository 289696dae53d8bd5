// tooldouble: a console program that plays a back-end tool for tests. Copied
// as burnkit.exe or stpconv.exe, it reads what to do from the script file
// named by TOOLDOUBLE_SCRIPT_<BASE NAME> or else TOOLDOUBLE_SCRIPT; without
// one it prints nothing and exits 0. The script language is in README.md.

#include "Encoding.h"
#include "Script.h"
#include "ScriptRunner.h"

#include <windows.h>

#include <cwctype>
#include <string>
#include <vector>

namespace {

std::wstring ownPath()
{
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring upperBaseName(const std::wstring& path)
{
    const auto slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos)
        name.resize(dot);
    for (wchar_t& c : name)
        c = static_cast<wchar_t>(std::towupper(c));
    return name;
}

std::wstring variable(const std::wstring& name)
{
    const DWORD length = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (length == 0)
        return {};
    std::wstring value(length, L'\0');
    value.resize(::GetEnvironmentVariableW(name.c_str(), value.data(), length));
    return value;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    using tooldouble::ScriptRunner;

    const std::wstring exePath = ownPath();
    const std::wstring ownVariable = L"TOOLDOUBLE_SCRIPT_" + upperBaseName(exePath);
    std::wstring scriptPath = variable(ownVariable);
    if (scriptPath.empty())
        scriptPath = variable(L"TOOLDOUBLE_SCRIPT");
    if (scriptPath.empty())
        return 0;

    try {
        const tooldouble::Script script = tooldouble::Script::load(scriptPath);
        ScriptRunner runner({exePath, ownVariable, std::vector<std::wstring>(argv, argv + argc)});
        return static_cast<int>(runner.run(script));
    } catch (const tooldouble::ScriptError& error) {
        ScriptRunner::complain(
            0, testkit::encoding::toUtf8(scriptPath) + ":" + std::to_string(error.line()) + ": " + error.what());
        return static_cast<int>(ScriptRunner::kExitScriptError);
    }
}
