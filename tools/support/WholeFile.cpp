#include "WholeFile.h"

#include <UniqueAny.h>

WholeFile WholeFile::read(const std::wstring& path, std::size_t maxSize)
{
    WholeFile result;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        result.error = error;
        result.status = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME)
            ? FileStatus::NotFound
            : FileStatus::Failed;
        return result;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        result.status = FileStatus::IsDirectory;
        return result;
    }

    UniqueFile file(CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        result.error = GetLastError();
        return result;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        result.error = GetLastError();
        return result;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > maxSize) {
        result.status = FileStatus::TooLarge;
        return result;
    }

    result.bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < result.bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(result.bytes.size() - done);
        if (!ReadFile(file.get(), result.bytes.data() + done, want, &got, nullptr)) {
            result.error = GetLastError();
            result.bytes.clear();
            return result;
        }
        if (got == 0)
            break;
        done += got;
    }
    // Someone shortened the file while we read it; what we have is still all there is.
    result.bytes.resize(done);
    result.status = FileStatus::Ok;
    return result;
}
