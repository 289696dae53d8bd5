#include "AtomicFile.h"

#include <utility>

AtomicFile::AtomicFile(std::wstring target, Writer writer)
    : m_target(std::move(target))
    , m_writer(std::move(writer))
{
    if (!m_writer)
        m_writer = [](HANDLE file, const void* data, DWORD size, DWORD* written) {
            return ::WriteFile(file, data, size, written, nullptr);
        };
}

AtomicFile::~AtomicFile()
{
    if (!m_committed)
        Discard();
}

bool AtomicFile::Open()
{
    // The temporary name extends the target's, so it lands in the same folder
    // (a rename across volumes would not be atomic) and is easy to trace.
    const std::wstring stem = m_target + L"." + std::to_wstring(::GetCurrentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = stem + (attempt == 0 ? L"" : L"-" + std::to_wstring(attempt)) + L".tmp";
        const HANDLE file = ::CreateFileW(
            candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            m_file.reset(file);
            m_tempPath = std::move(candidate);
            return true;
        }
        m_error = ::GetLastError();
        if (m_error != ERROR_FILE_EXISTS && m_error != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool AtomicFile::Write(const void* data, std::size_t size)
{
    if (!m_file)
        return false;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!m_writer(m_file.get(), bytes, chunk, &written) || written == 0)
            return Failed();
        bytes += written;
        size -= written;
    }
    return true;
}

bool AtomicFile::Commit()
{
    if (!m_file)
        return false;
    if (!::FlushFileBuffers(m_file.get()))
        return Failed();
    m_file.reset();
    // A rename, not ReplaceFileW: whatever fails, the target is either the
    // old file or the new one. ReplaceFileW can fail having moved the old
    // file away (ERROR_UNABLE_TO_MOVE_REPLACEMENT) and leave neither.
    if (!::MoveFileExW(m_tempPath.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Failed();
    m_committed = true;
    return true;
}

bool AtomicFile::Failed()
{
    m_error = ::GetLastError();
    // A writer that failed without a reason: the disk is the likeliest.
    if (m_error == ERROR_SUCCESS)
        m_error = ERROR_WRITE_FAULT;
    Discard();
    return false;
}

void AtomicFile::Discard()
{
    m_file.reset();
    if (!m_tempPath.empty()) {
        ::DeleteFileW(m_tempPath.c_str());
        m_tempPath.clear();
    }
}
