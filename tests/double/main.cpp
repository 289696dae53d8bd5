// tooldouble: a console program that plays a back-end tool for tests and
// benchmarks. Copied as burnkit.exe or stpconv.exe, it reads what to do from
// the script file named by TOOLDOUBLE_SCRIPT_<BASE NAME> or else
// TOOLDOUBLE_SCRIPT; without one it prints nothing and exits 0. The script
// language is in README.md.

#include "Encoding.h"
#include "Environment.h"
#include "Script.h"
#include "ScriptRunner.h"

#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv)
{
    using testkit::Environment;
    using tooldouble::ScriptRunner;

    const std::wstring exePath = Environment::ownPath();
    std::wstring name = exePath.substr(exePath.find_last_of(L"\\/") + 1);
    name = name.substr(0, name.find_last_of(L'.'));
    const std::wstring ownVariable = L"TOOLDOUBLE_SCRIPT_" + testkit::encoding::upperCase(name);
    std::wstring scriptPath = Environment::variable(ownVariable);
    if (scriptPath.empty())
        scriptPath = Environment::variable(L"TOOLDOUBLE_SCRIPT");
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
