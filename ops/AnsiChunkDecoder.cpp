#include "AnsiChunkDecoder.h"

#include <cstring>

namespace {

// How many bytes the UTF-8 sequence that this byte leads has, by its high
// bits; 0 for a continuation byte or one that leads nothing.
size_t Utf8SequenceLength(BYTE lead)
{
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 0;
}

// Where a UTF-8 sequence starts whose lead byte announces more bytes than
// have come, or length when the bytes end with nothing cut. Whatever the
// converter makes of a sequence, valid or not, it sees its bytes together.
size_t CutUtf8SequenceStart(const char* bytes, size_t length)
{
    // A sequence is at most four bytes: one cut short starts within the last three.
    const size_t earliest = length > 3 ? length - 3 : 0;
    for (size_t start = length; start > earliest;) {
        --start;
        const BYTE byte = static_cast<BYTE>(bytes[start]);
        if ((byte & 0xC0) == 0x80)
            continue;
        return Utf8SequenceLength(byte) > length - start ? start : length;
    }
    return length;
}

} // namespace

AnsiChunkDecoder::AnsiChunkDecoder(UINT codePage)
    : m_codePage(codePage == CP_ACP ? ::GetACP() : codePage)
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
    if (m_codePage == CP_UTF8)
        return CutUtf8SequenceStart(bytes, length);
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
    // Held bytes go before the new ones, and the two are taken as one
    // stretch: the character they begin may need more than one more byte.
    std::string joined;
    if (!m_pending.empty()) {
        joined.swap(m_pending);
        joined.append(bytes, length);
        bytes = joined.data();
        length = joined.size();
    }
    // A zero byte ends a run of text: a character cut short right before it
    // has lost the rest of it and is shown as the converter shows it.
    const size_t complete = endsAtZero ? length : CompletePrefix(bytes, length);
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
