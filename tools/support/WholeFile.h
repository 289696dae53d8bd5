#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class FileStatus { Ok, NotFound, IsDirectory, TooLarge, Failed };

// A file read in one go. Inputs of both tools are small, and having all of it
// in memory lets the parsers check the whole file before anything is written.
struct WholeFile {
    FileStatus status = FileStatus::Failed;
    DWORD error = 0; // Win32 error code when status is Failed
    std::vector<std::uint8_t> bytes;

    static WholeFile read(const std::wstring& path, std::size_t maxSize);
};
