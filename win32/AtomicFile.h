#pragma once

#include "UniqueAny.h"

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

// Produces a file all at once or not at all: data goes to a temporary file
// beside the target, which replaces the target only in Commit(). Until then
// the old target is untouched, and whatever fails, the temporary file never
// outlives the object.
class AtomicFile {
public:
    // Writes to the temporary file as WriteFile does; a test's own can fail
    // part way, as a full disk would.
    using Writer = std::function<BOOL(HANDLE file, const void* data, DWORD size, DWORD* written)>;

    explicit AtomicFile(std::wstring target, Writer writer = {});
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool Open();
    bool Write(const void* data, std::size_t size);
    bool Commit();

    // Why the last call failed.
    DWORD LastError() const { return m_error; }
    const std::wstring& TempPath() const { return m_tempPath; }

private:
    bool Failed();
    void Discard();

    std::wstring m_target;
    Writer m_writer;
    std::wstring m_tempPath;
    UniqueFile m_file;
    DWORD m_error = 0;
    bool m_committed = false;
};
