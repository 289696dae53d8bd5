#pragma once

#include "UniqueAny.h"

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

// Produces a file all at once or not at all: data goes to a temporary file
// beside the target, which replaces the target only in Commit(). Until then
// the old target is untouched, and whatever fails, the temporary file never
// outlives the object. The new file is an ordinary one: nothing marks it as
// temporary once it has taken the target's place.
class AtomicFile {
public:
    // Writes to the temporary file as WriteFile does; a test's own can fail
    // part way, as a full disk would.
    using Writer = std::function<BOOL(HANDLE file, const void* data, DWORD size, DWORD* written)>;
    // Renames as MoveFileExW does; a test's own can fail for a while, as a
    // virus scanner, an indexer or a sync client holding the new file would.
    using Mover = std::function<BOOL(const wchar_t* from, const wchar_t* to, DWORD flags)>;

    // How long a rename that fails for a file held open by someone else is
    // tried again before the failure counts.
    static constexpr DWORD kRenameRetryMs = 2000;

    explicit AtomicFile(std::wstring target, Writer writer = {}, Mover mover = {});
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool Open();
    bool Write(const void* data, std::size_t size);
    bool Commit();
    // Gives up: the temporary file goes, the target stays as it was.
    void Discard();

    // Why the last call failed.
    DWORD LastError() const { return m_error; }
    const std::wstring& TempPath() const { return m_tempPath; }

private:
    bool Failed(DWORD error);

    std::wstring m_target;
    Writer m_writer;
    Mover m_mover;
    std::wstring m_tempPath;
    UniqueFile m_file;
    DWORD m_error = 0;
    bool m_committed = false;
};
