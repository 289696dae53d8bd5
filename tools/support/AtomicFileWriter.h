#pragma once

#include <UniqueAny.h>

#include <windows.h>

#include <cstddef>
#include <string>

// Produces a file all at once or not at all: data goes to a temporary file
// beside the target, which replaces the target only in commit(). Until then
// the old target is untouched, and the temporary file never outlives us.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::wstring target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool open();
    bool write(const void* data, std::size_t size);
    bool commit();

    DWORD lastError() const { return error_; }
    const std::wstring& tempPath() const { return tempPath_; }

private:
    bool failed();
    void discard();

    std::wstring target_;
    std::wstring tempPath_;
    UniqueFile file_;
    DWORD error_ = 0;
    bool committed_ = false;
};
