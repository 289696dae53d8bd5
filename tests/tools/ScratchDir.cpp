#include "ScratchDir.h"

#include <UniqueAny.h>
#include "WholeFile.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

ScratchDir::ScratchDir(const std::wstring& name)
{
    static unsigned counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::wstring(temp) + L"tarrow-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter)
        + L"-" + name;
    removeTree(path_);
    if (!CreateDirectoryW(path_.c_str(), nullptr))
        throw std::runtime_error("cannot create scratch folder");
}

ScratchDir::~ScratchDir()
{
    removeTree(path_);
}

std::vector<std::wstring> ScratchDir::names() const
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring n = found.cFileName;
        if (n != L"." && n != L"..")
            names.push_back(n);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

bool ScratchDir::exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ScratchDir::write(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
        || written != bytes.size())
        throw std::runtime_error("cannot write test file");
}

void ScratchDir::write(const std::wstring& path, const std::string& text)
{
    write(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> ScratchDir::read(const std::wstring& path)
{
    WholeFile file = WholeFile::read(path, 64u * 1024 * 1024);
    return file.status == FileStatus::Ok ? file.bytes : std::vector<std::uint8_t>{};
}

void ScratchDir::removeTree(const std::wstring& path)
{
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring n = found.cFileName;
            if (n == L"." || n == L"..")
                continue;
            const std::wstring child = path + L"\\" + n;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}
