#include "BuildTree.h"

#include "Environment.h"

namespace e2e {
namespace {

std::wstring inBin(const wchar_t* overrideVariable, const wchar_t* fileName)
{
    std::wstring path = testkit::Environment::variable(overrideVariable);
    return path.empty() ? BuildTree::binDirectory() + L"\\" + fileName : path;
}

} // namespace

std::wstring BuildTree::binDirectory()
{
    const std::wstring path = testkit::Environment::ownPath();
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
    return inBin(L"TARROW_PROBE", L"tarrow_probe.dll");
}

} // namespace e2e
