#include "PipeReader.h"

#include <algorithm>

PipeReader::Result PipeReader::ReadChunk(HANDLE pipe, char* buffer, DWORD& read)
{
    read = 0;
    if (m_shown == 0) {
        DWORD available = 0;
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr))
            return Result::Ended;
        if (available == 0)
            return Result::Empty;
        m_shown = available;
    }
    const DWORD wanted = std::min(m_shown, m_chunkSize);
    if (!::ReadFile(pipe, buffer, wanted, &read, nullptr) || read == 0) {
        // What was shown is no longer there to read: look again next time.
        m_shown = 0;
        read = 0;
        return Result::Empty;
    }
    m_shown -= std::min(read, m_shown);
    return Result::Read;
}
