#include "AtomicFile.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The longest name of one file or folder the file systems take.
constexpr size_t kLongestName = 255;

// The path in the form that no length limit applies to, so that the
// temporary file, whose name is longer than the target's, can be made and
// renamed wherever the target itself can be; as it is where it cannot be
// made whole.
std::wstring LongPathForm(const std::wstring& path)
{
    if (path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::vector<wchar_t> full(size);
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size)
        return path;
    const std::wstring made(full.data(), length);
    if (made.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + made.substr(2);
    return L"\\\\?\\" + made;
}

// A file held open by someone else for a moment, as a virus scanner, an
// indexer or a sync client holds a newly written one.
bool HeldForAMoment(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

} // namespace

AtomicFile::AtomicFile(std::wstring target, Writer writer, Mover mover)
    : m_target(LongPathForm(target))
    , m_writer(std::move(writer))
    , m_mover(std::move(mover))
{
    if (!m_writer)
        m_writer = [](HANDLE file, const void* data, DWORD size, DWORD* written) {
            return ::WriteFile(file, data, size, written, nullptr);
        };
    if (!m_mover)
        m_mover = [](const wchar_t* from, const wchar_t* to, DWORD flags) { return ::MoveFileExW(from, to, flags); };
}

AtomicFile::~AtomicFile()
{
    if (!m_committed)
        Discard();
}

bool AtomicFile::Open()
{
    // Beside the target (a rename across volumes would not be atomic), named
    // after it so that it is easy to trace, cut short where that would make
    // a name too long.
    const size_t slash = m_target.find_last_of(L'\\');
    const std::wstring folder = m_target.substr(0, slash + 1);
    std::wstring name = m_target.substr(slash + 1);
    const std::wstring stem = L"." + std::to_wstring(::GetCurrentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring suffix = stem + (attempt == 0 ? L"" : L"-" + std::to_wstring(attempt)) + L".tmp";
        size_t kept = std::min(name.size(), kLongestName - suffix.size());
        if (kept > 0 && kept < name.size() && IS_HIGH_SURROGATE(name[kept - 1]))
            --kept;
        std::wstring candidate = folder + name.substr(0, kept) + suffix;
        const HANDLE file
            = ::CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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
            return Failed(::GetLastError());
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
        return Failed(::GetLastError());
    m_file.reset();
    // A rename, not ReplaceFileW: whatever fails, the target is either the
    // old file or the new one. ReplaceFileW can fail having moved the old
    // file away (ERROR_UNABLE_TO_MOVE_REPLACEMENT) and leave neither.
    const DWORD start = ::GetTickCount();
    for (DWORD pause = 10;; pause = std::min<DWORD>(2 * pause, 250)) {
        if (m_mover(m_tempPath.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            break;
        const DWORD error = ::GetLastError();
        if (!HeldForAMoment(error) || ::GetTickCount() - start >= kRenameRetryMs)
            return Failed(error);
        ::Sleep(pause);
    }
    m_committed = true;
    return true;
}

bool AtomicFile::Failed(DWORD error)
{
    // A writer that failed without a reason: the disk is the likeliest.
    m_error = error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
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
