#include "AnsiChunkDecoder.h"

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
                         reinterpret_cast<LPWSTR>(&thread), sizeof(thread) / sizeof(wchar_t)) &&
        thread != 0)
        return thread;
    return ::GetACP();
}

} // namespace

AnsiChunkDecoder::AnsiChunkDecoder(UINT codePage) : m_codePage(ResolveCodePage(codePage)) {}

std::wstring AnsiChunkDecoder::Convert(const char* bytes, size_t length) const
{
    if (length == 0)
        return std::wstring();
    const int inLength = static_cast<int>(length);
    const int needed = ::MultiByteToWideChar(m_codePage, 0, bytes, inLength, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(needed), L'\0');
    const int written = ::MultiByteToWideChar(m_codePage, 0, bytes, inLength, &text[0], needed);
    text.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return text;
}

size_t AnsiChunkDecoder::CompletePrefix(const std::string& bytes) const
{
    // Walk from a known boundary: a trail byte can look like a lead byte, so
    // only a walk from the start tells which role the last byte plays.
    size_t i = 0;
    while (i < bytes.size()) {
        if (::IsDBCSLeadByteEx(m_codePage, static_cast<BYTE>(bytes[i]))) {
            if (i + 1 == bytes.size())
                return i;
            i += 2;
        } else {
            ++i;
        }
    }
    return bytes.size();
}

std::wstring AnsiChunkDecoder::Decode(const char* bytes, size_t length)
{
    std::wstring text;
    std::string run;
    run.swap(m_pending);
    for (size_t i = 0; i < length; ++i) {
        if (bytes[i] != '\0') {
            run.push_back(bytes[i]);
            continue;
        }
        // A zero byte ends a run of text; a lead byte right before it has
        // lost its partner and is shown as it is.
        text += Convert(run.data(), run.size());
        run.clear();
    }
    const size_t complete = CompletePrefix(run);
    text += Convert(run.data(), complete);
    m_pending.assign(run, complete, std::string::npos);
    return text;
}

std::wstring AnsiChunkDecoder::Flush()
{
    std::wstring text = Convert(m_pending.data(), m_pending.size());
    m_pending.clear();
    return text;
}
