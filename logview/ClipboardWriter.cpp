#include "ClipboardWriter.h"

#include <UniqueAny.h>

#include <algorithm>

bool ClipboardWriter::Put(const LogText& text, size_t from, size_t to) const
{
    to = std::min(to, text.Length());
    from = std::min(from, to);
    // Copied straight into the clipboard's memory: a selection may be most
    // of a very long log.
    UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, (to - from + 1) * sizeof(wchar_t)));
    if (!memory)
        return false;
    auto* chars = static_cast<wchar_t*>(::GlobalLock(memory.get()));
    if (chars == nullptr)
        return false;
    chars[text.Copy(from, to, chars)] = L'\0';
    ::GlobalUnlock(memory.get());

    // Another program may hold the clipboard for a moment.
    bool open = false;
    for (int attempt = 0; attempt < 5 && !open; ++attempt) {
        open = ::OpenClipboard(m_owner) != FALSE;
        if (!open)
            ::Sleep(20);
    }
    if (!open)
        return false;
    ::EmptyClipboard();
    const bool put = ::SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr;
    if (put)
        memory.release(); // the clipboard owns it now
    ::CloseClipboard();
    return put;
}
