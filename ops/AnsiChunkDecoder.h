#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// Turns a tool's output, which arrives in chunks of bytes in the system's
// ANSI code page, into UTF-16 chunk by chunk. A character cut in two by a
// chunk boundary (a double-byte character, or a UTF-8 sequence where that is
// the ANSI code page) is held back and shown whole with the next chunk; zero
// bytes are dropped without losing the text after them.
class AnsiChunkDecoder {
public:
    // CP_ACP (the default) is resolved to the system's ANSI code page, the
    // one console tools print in: not the code page of the thread's locale,
    // which follows the operator's formats and may be another.
    explicit AnsiChunkDecoder(UINT codePage = CP_ACP);

    std::wstring Decode(const char* bytes, size_t length);
    // End of the stream: bytes still held back are converted on their own.
    std::wstring Flush();

    bool HasPending() const { return !m_pending.empty(); }
    UINT CodePage() const { return m_codePage; }

private:
    // Converts and appends to text.
    void Convert(const char* bytes, size_t length, std::wstring& text) const;
    // A stretch of output without zero bytes; endsAtZero when a zero byte
    // followed it, so nothing of it may be held back.
    void DecodeSegment(const char* bytes, size_t length, bool endsAtZero, std::wstring& text);
    // Length of the longest prefix that ends on a character boundary.
    size_t CompletePrefix(const char* bytes, size_t length) const;

    UINT m_codePage;
    // The platform's lead-byte test, asked once per byte value: tools can
    // print megabytes, and the answer never changes.
    bool m_leadByte[256];
    // The bytes of a character still waiting for the rest of it: at most
    // one lead byte, or three bytes of a UTF-8 sequence.
    std::string m_pending;
};
