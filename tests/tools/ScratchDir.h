#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under %TEMP% for one test, removed with all its contents.
class ScratchDir {
public:
    explicit ScratchDir(const std::wstring& name = L"tools");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

    std::vector<std::wstring> names() const; // sorted, without "." and ".."

    static bool exists(const std::wstring& path);
    static void write(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
    static void write(const std::wstring& path, const std::string& text);
    static std::vector<std::uint8_t> read(const std::wstring& path);

private:
    static void removeTree(const std::wstring& path);

    std::wstring path_;
};
