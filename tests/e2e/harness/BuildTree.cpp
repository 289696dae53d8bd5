#include "BuildTree.h"

#include <windows.h>

namespace e2e {
namespace {

std::wstring variable(const wchar_t* name)
{
    const DWORD length = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0)
        return {};
    std::wstring value(length, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), length));
    return value;
}

std::wstring inBin(const wchar_t* overrideVariable, const wchar_t* fileName)
{
    std::wstring path = variable(overrideVariable);
    return path.empty() ? BuildTree::binDirectory() + L"\\" + fileName : path;
}

} // namespace

std::wstring BuildTree::binDirectory()
{
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring BuildTree::tarrowExe()
{
    return inBin(L"TARROW_EXE", L"Tarrow.exe");
}
std::wstring BuildTree::toolDoubleExe()
{
    return inBin(L"TOOLDOUBLE_EXE", L"tooldouble.exe");
}
std::wstring BuildTree::probeDll()
{
    return inBin(L"TARROW_E2E_PROBE", L"tarrow_e2e_probe.dll");
}

} // namespace e2e
