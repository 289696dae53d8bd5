#include "AtomicFileWriter.h"

#include <utility>

AtomicFileWriter::AtomicFileWriter(std::wstring target)
    : target_(std::move(target))
{
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (!committed_)
        discard();
}

bool AtomicFileWriter::open()
{
    // The temporary name extends the target's, so it lands in the same folder
    // (a rename across volumes would not be atomic) and is easy to trace.
    const std::wstring stem = target_ + L"." + std::to_wstring(GetCurrentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = stem + (attempt == 0 ? L"" : L"-" + std::to_wstring(attempt)) + L".tmp";
        HANDLE h
            = CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            file_.reset(h);
            tempPath_ = std::move(candidate);
            return true;
        }
        error_ = GetLastError();
        if (error_ != ERROR_FILE_EXISTS && error_ != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool AtomicFileWriter::write(const void* data, std::size_t size)
{
    if (!file_)
        return false;
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file_.get(), p, chunk, &written, nullptr) || written == 0)
            return failed();
        p += written;
        size -= written;
    }
    return true;
}

bool AtomicFileWriter::commit()
{
    if (!file_)
        return false;
    if (!FlushFileBuffers(file_.get()))
        return failed();
    file_.reset();
    if (!MoveFileExW(tempPath_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return failed();
    committed_ = true;
    return true;
}

bool AtomicFileWriter::failed()
{
    error_ = GetLastError();
    discard();
    return false;
}

void AtomicFileWriter::discard()
{
    file_.reset();
    if (!tempPath_.empty()) {
        DeleteFileW(tempPath_.c_str());
        tempPath_.clear();
    }
}
