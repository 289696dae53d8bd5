#include "EnvironmentBlock.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace e2e {
namespace {

std::wstring upper(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

std::vector<EnvVar> currentEnvironment()
{
    std::vector<EnvVar> variables;
    wchar_t* strings = ::GetEnvironmentStringsW();
    if (!strings)
        return variables;
    for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
        const std::wstring text(entry);
        // Names may start with '=' (the per-drive current directories).
        const auto equals = text.find(L'=', 1);
        if (equals == std::wstring::npos)
            variables.push_back({text, L""});
        else
            variables.push_back({text.substr(0, equals), text.substr(equals + 1)});
    }
    ::FreeEnvironmentStringsW(strings);
    return variables;
}

} // namespace

EnvironmentBlock::EnvironmentBlock(const std::vector<EnvVar>& overrides)
{
    std::vector<EnvVar> variables = currentEnvironment();
    for (const EnvVar& extra : overrides) {
        const std::wstring key = upper(extra.name);
        const auto same
            = std::find_if(variables.begin(), variables.end(), [&](const EnvVar& v) { return upper(v.name) == key; });
        if (same != variables.end())
            same->value = extra.value;
        else
            variables.push_back(extra);
    }
    // Windows expects the block sorted by name, case-insensitively.
    std::stable_sort(variables.begin(), variables.end(),
        [](const EnvVar& a, const EnvVar& b) { return upper(a.name) < upper(b.name); });

    for (const EnvVar& variable : variables) {
        block_ += variable.name + L"=" + variable.value;
        block_ += L'\0';
    }
    if (variables.empty())
        block_ += L'\0';
    block_ += L'\0';
}

} // namespace e2e
