#pragma once

#include <windows.h>

// Reads what a pipe already holds, in chunks, never waiting for more while a
// writer lives. One look at the pipe tells how much is there; that much is
// then read in chunks without looking again, each read taking at most what
// the look showed is left, so none of them can wait.
class PipeReader {
public:
    enum class Result { Read, Empty, Ended };

    explicit PipeReader(DWORD chunkSize)
        : m_chunkSize(chunkSize)
    {
    }

    // Reads at most the chunk size into buffer (which holds that much) and
    // says how much came in read. Empty: nothing waits in the pipe now.
    // Ended: the pipe cannot be read any more, normally because every writer
    // is gone (ERROR_BROKEN_PIPE).
    Result ReadChunk(HANDLE pipe, char* buffer, DWORD& read);

    // What the last look showed and has not been read yet.
    DWORD Shown() const { return m_shown; }

private:
    DWORD m_chunkSize;
    DWORD m_shown = 0;
};
