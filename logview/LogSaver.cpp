#include "LogSaver.h"

#include <new>
#include <vector>

DWORD LogSaver::SaveTo(const std::wstring& path) const
{
    std::vector<wchar_t> chars;
    std::vector<char> bytes;
    try {
        chars.resize(kChunkChars);
        bytes.resize(kChunkChars * 3);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }

    AtomicFile file(path, m_writer);
    if (!file.Open())
        return file.LastError();
    static const char kByteOrderMark[] = "\xEF\xBB\xBF";
    if (!file.Write(kByteOrderMark, 3))
        return file.LastError();
    const size_t length = m_text.Length();
    for (size_t from = 0; from < length;) {
        size_t count = m_text.Copy(from, from + kChunkChars, chars.data());
        // A surrogate pair is converted whole, in the next chunk.
        if (count > 1 && from + count < length && IS_HIGH_SURROGATE(chars[count - 1]))
            --count;
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, chars.data(), static_cast<int>(count), bytes.data(),
            static_cast<int>(bytes.size()), nullptr, nullptr);
        if (size <= 0)
            return ::GetLastError();
        if (!file.Write(bytes.data(), static_cast<size_t>(size)))
            return file.LastError();
        from += count;
    }
    if (!file.Commit())
        return file.LastError();
    return ERROR_SUCCESS;
}
