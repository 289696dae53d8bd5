#include "AnsiChunkDecoder.h"

#include <cstring>

namespace {

UINT ResolveCodePage(UINT codePage)
{
    if (codePage == CP_ACP)
        return ::GetACP();
    if (codePage != CP_THREAD_ACP)
        return codePage;
    // The lead-byte test wants a real code page number, not the alias.
    DWORD thread = 0;
    if (::GetLocaleInfoW(::GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
            reinterpret_cast<LPWSTR>(&thread), sizeof(thread) / sizeof(wchar_t))
        && thread != 0)
        return thread;
    return ::GetACP();
}

} // namespace

AnsiChunkDecoder::AnsiChunkDecoder(UINT codePage)
    : m_codePage(ResolveCodePage(codePage))
{
    for (int value = 0; value < 256; ++value)
        m_leadByte[value] = ::IsDBCSLeadByteEx(m_codePage, static_cast<BYTE>(value)) != FALSE;
}

void AnsiChunkDecoder::Convert(const char* bytes, size_t length, std::wstring& text) const
{
    if (length == 0)
        return;
    const int inLength = static_cast<int>(length);
    const int needed = ::MultiByteToWideChar(m_codePage, 0, bytes, inLength, nullptr, 0);
    if (needed <= 0)
        return;
    const size_t offset = text.size();
    text.resize(offset + static_cast<size_t>(needed));
    const int written = ::MultiByteToWideChar(m_codePage, 0, bytes, inLength, &text[offset], needed);
    text.resize(offset + (written > 0 ? static_cast<size_t>(written) : 0));
}

size_t AnsiChunkDecoder::CompletePrefix(const char* bytes, size_t length) const
{
    // Walk from a known boundary: a trail byte can look like a lead byte, so
    // only a walk from the start tells which role the last byte plays.
    size_t i = 0;
    while (i < length) {
        if (m_leadByte[static_cast<BYTE>(bytes[i])]) {
            if (i + 1 == length)
                return i;
            i += 2;
        } else {
            ++i;
        }
    }
    return length;
}

void AnsiChunkDecoder::DecodeSegment(const char* bytes, size_t length, bool endsAtZero, std::wstring& text)
{
    if (!m_pending.empty() && length > 0) {
        // The held lead byte and the byte after it make one character.
        const char pair[2] = {m_pending[0], bytes[0]};
        m_pending.clear();
        Convert(pair, 2, text);
        ++bytes;
        --length;
    }
    if (endsAtZero) {
        // A zero byte ends a run of text; a lead byte right before it has
        // lost its partner and is shown as it is.
        Convert(m_pending.data(), m_pending.size(), text);
        m_pending.clear();
        Convert(bytes, length, text);
        return;
    }
    const size_t complete = CompletePrefix(bytes, length);
    Convert(bytes, complete, text);
    m_pending.assign(bytes + complete, length - complete);
}

std::wstring AnsiChunkDecoder::Decode(const char* bytes, size_t length)
{
    std::wstring text;
    size_t start = 0;
    for (;;) {
        const void* zero = std::memchr(bytes + start, 0, length - start);
        const size_t stop = zero ? static_cast<size_t>(static_cast<const char*>(zero) - bytes) : length;
        DecodeSegment(bytes + start, stop - start, zero != nullptr, text);
        if (!zero)
            return text;
        start = stop + 1;
    }
}

std::wstring AnsiChunkDecoder::Flush()
{
    std::wstring text;
    Convert(m_pending.data(), m_pending.size(), text);
    m_pending.clear();
    return text;
}
