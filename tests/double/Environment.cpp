#include "Environment.h"

#include "Encoding.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

namespace testkit {

using encoding::upperCase;

std::wstring Environment::variable(const std::wstring& name)
{
    const DWORD length = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (length == 0)
        return {};
    std::wstring value(length, L'\0');
    value.resize(::GetEnvironmentVariableW(name.c_str(), value.data(), length));
    return value;
}

std::wstring Environment::block(const std::vector<EnvVar>& overrides)
{
    std::vector<EnvVar> variables;
    if (wchar_t* strings = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry; entry += std::wcslen(entry) + 1) {
            const std::wstring text(entry);
            // Names may start with '=' (the per-drive current directories).
            const auto equals = text.find(L'=', 1);
            variables.push_back({text.substr(0, equals), equals == std::wstring::npos ? L"" : text.substr(equals + 1)});
        }
        ::FreeEnvironmentStringsW(strings);
    }
    for (const EnvVar& extra : overrides) {
        const std::wstring key = upperCase(extra.name);
        const auto same = std::find_if(
            variables.begin(), variables.end(), [&](const EnvVar& v) { return upperCase(v.name) == key; });
        if (same != variables.end())
            same->value = extra.value;
        else
            variables.push_back(extra);
    }
    // Windows expects the block sorted by name, case-insensitively.
    std::stable_sort(variables.begin(), variables.end(),
        [](const EnvVar& a, const EnvVar& b) { return upperCase(a.name) < upperCase(b.name); });

    std::wstring block;
    for (const EnvVar& variable : variables) {
        block += variable.name + L"=" + variable.value;
        block += L'\0';
    }
    if (variables.empty())
        block += L'\0';
    block += L'\0';
    return block;
}

std::wstring Environment::ownPath()
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

std::wstring Environment::tempFolder()
{
    wchar_t buffer[MAX_PATH + 1];
    std::wstring path(buffer, ::GetTempPathW(MAX_PATH + 1, buffer));
    wchar_t longPath[MAX_PATH * 2];
    const DWORD longLength = ::GetLongPathNameW(path.c_str(), longPath, MAX_PATH * 2);
    if (longLength > 0 && longLength < MAX_PATH * 2)
        path.assign(longPath, longLength);
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

} // namespace testkit
