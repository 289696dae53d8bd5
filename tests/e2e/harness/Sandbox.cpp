#include "Sandbox.h"

#include "BuildTree.h"
#include "Encoding.h"
#include "Environment.h"

#include <UniqueAny.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <iostream>

namespace e2e {
namespace {

using testkit::encoding::toUtf8;
using testkit::encoding::upperCase;

std::wstring baseName(const std::wstring& fileName)
{
    const auto dot = fileName.find_last_of(L'.');
    return dot == std::wstring::npos ? fileName : fileName.substr(0, dot);
}

// Calls visit(name, isFolder) for every entry of the folder but "." and "..".
template <typename Visit> void forEachEntry(const std::wstring& folder, Visit visit)
{
    WIN32_FIND_DATAW found;
    const UniqueFind search(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            visit(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (::FindNextFileW(search.get(), &found));
}

bool removeTree(const std::wstring& path)
{
    bool removed = true;
    forEachEntry(path, [&](const std::wstring& name, bool isFolder) {
        const std::wstring child = path + L"\\" + name;
        if (isFolder) {
            removed = removeTree(child) && removed;
        } else {
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            removed = ::DeleteFileW(child.c_str()) && removed;
        }
    });
    return ::RemoveDirectoryW(path.c_str()) && removed;
}

} // namespace

Sandbox::Sandbox(SandboxOptions options)
{
    static unsigned counter = 0;
    const std::wstring stem = options.awkwardName ? L"tarrow e2e 测试 " : L"tarrow-e2e-";
    const std::wstring parent = testkit::Environment::tempFolder();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const std::wstring candidate = parent + L"\\" + stem + std::to_wstring(::GetCurrentProcessId()) + L"-"
            + std::to_wstring(++counter) + L"-" + std::to_wstring(::GetTickCount() % 100000);
        if (::CreateDirectoryW(candidate.c_str(), nullptr))
            path_ = candidate;
        else if (::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (path_.empty()) {
        ADD_FAILURE() << "cannot create a sandbox folder in " << toUtf8(parent) << " (error " << ::GetLastError()
                      << ")";
        return;
    }

    if (!options.tarrowName.empty()) {
        tarrowPath_ = file(options.tarrowName);
        const std::wstring source = options.tarrowSource.empty() ? BuildTree::tarrowExe() : options.tarrowSource;
        if (!::CopyFileW(source.c_str(), tarrowPath_.c_str(), FALSE)) {
            ADD_FAILURE() << "cannot copy " << toUtf8(source) << " into the sandbox (error " << ::GetLastError() << ")";
            return;
        }
    }
    ready_ = true;
}

Sandbox::~Sandbox()
{
    if (path_.empty())
        return;
    endProgramsInside();
    // Wine lets go of a just-ended program's file a moment late.
    const bool removed
        = waitUntil([&] { return removeTree(path_); }, std::chrono::milliseconds(5000), std::chrono::milliseconds(10));
    if (!removed)
        std::cerr << "note: could not remove the sandbox " << toUtf8(path_) << "\n";
}

void Sandbox::endProgramsInside() const
{
    // Tools and the copies they spawned may outlive a failing test; nothing
    // started from this folder may keep running after it.
    const std::wstring prefix = upperCase(path_ + L"\\");
    // A snapshot reports failure as INVALID_HANDLE_VALUE, as CreateFile does.
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == ::GetCurrentProcessId())
            continue;
        const UniqueHandle process(::OpenProcess(
            PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process)
            continue;
        wchar_t image[MAX_PATH * 2];
        DWORD length = MAX_PATH * 2;
        if (!::QueryFullProcessImageNameW(process.get(), 0, image, &length))
            continue;
        if (upperCase(std::wstring(image, length)).compare(0, prefix.size(), prefix) != 0)
            continue;
        ::TerminateProcess(process.get(), 0xE2E);
        ::WaitForSingleObject(process.get(), 5000);
    }
}

std::wstring Sandbox::file(const std::wstring& relative) const
{
    const bool absolute = !relative.empty()
        && (relative[0] == L'\\' || relative[0] == L'/' || (relative.size() > 1 && relative[1] == L':'));
    return absolute ? relative : path_ + L"\\" + relative;
}

std::wstring Sandbox::installTool(const std::wstring& exeName, const std::string& script)
{
    const std::wstring target = file(exeName);
    const std::wstring source = BuildTree::toolDoubleExe();
    if (!::CopyFileW(source.c_str(), target.c_str(), FALSE))
        ADD_FAILURE() << "cannot copy " << toUtf8(source) << " as " << toUtf8(target) << " (error " << ::GetLastError()
                      << ")";
    setScript(exeName, script);
    return target;
}

std::wstring Sandbox::scriptPath(const std::wstring& exeName) const
{
    return file(baseName(exeName) + L".script");
}

void Sandbox::setScript(const std::wstring& exeName, const std::string& script)
{
    const std::wstring path = scriptPath(exeName);
    if (!writeBytes(path, script))
        ADD_FAILURE() << "cannot write " << toUtf8(path);
    // Always named, even for an empty script, so a TOOLDOUBLE_SCRIPT the
    // test program inherited cannot leak into this tool.
    setVariable(L"TOOLDOUBLE_SCRIPT_" + upperCase(baseName(exeName)), path);
}

void Sandbox::addEnvironment(const std::wstring& name, const std::wstring& value)
{
    setVariable(name, value);
}

void Sandbox::setVariable(const std::wstring& name, const std::wstring& value)
{
    for (EnvVar& variable : environment_) {
        if (upperCase(variable.name) == upperCase(name)) {
            variable.value = value;
            return;
        }
    }
    environment_.push_back({name, value});
}

std::wstring Sandbox::writeFile(const std::wstring& relative, std::string_view bytes)
{
    const std::wstring path = file(relative);
    if (!writeBytes(path, bytes))
        ADD_FAILURE() << "cannot write " << toUtf8(path) << " (error " << ::GetLastError() << ")";
    return path;
}

std::wstring Sandbox::makeDirectory(const std::wstring& relative)
{
    const std::wstring path = file(relative);
    if (!::CreateDirectoryW(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        ADD_FAILURE() << "cannot create " << toUtf8(path) << " (error " << ::GetLastError() << ")";
    return path;
}

std::vector<std::wstring> Sandbox::names() const
{
    std::vector<std::wstring> names;
    forEachEntry(path_, [&](const std::wstring& name, bool) { names.push_back(name); });
    std::sort(names.begin(), names.end());
    return names;
}

bool Sandbox::exists(const std::wstring& relative) const
{
    return ::GetFileAttributesW(file(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> Sandbox::readFile(const std::wstring& relative) const
{
    return readBytes(file(relative));
}

testing::AssertionResult Sandbox::waitForFile(const std::wstring& relative, std::chrono::milliseconds timeout) const
{
    if (waitUntil([&] { return exists(relative); }, timeout))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no file " << toUtf8(file(relative)) << " after " << timeout.count() << " ms";
}

std::vector<ArgsRecord> Sandbox::args(const std::wstring& relative) const
{
    return ArgsRecord::load(file(relative));
}

bool Sandbox::writeBytes(const std::wstring& path, std::string_view bytes)
{
    const UniqueFile handle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        return false;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - offset, 1 << 20));
        if (!::WriteFile(handle.get(), bytes.data() + offset, chunk, &written, nullptr) || written == 0)
            return false;
        offset += written;
    }
    return true;
}

std::optional<std::string> Sandbox::readBytes(const std::wstring& path)
{
    const UniqueFile handle(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        return std::nullopt;
    std::string bytes;
    char buffer[1 << 16];
    while (true) {
        DWORD read = 0;
        if (!::ReadFile(handle.get(), buffer, sizeof buffer, &read, nullptr))
            return std::nullopt;
        if (read == 0)
            return bytes;
        bytes.append(buffer, read);
    }
}

} // namespace e2e
