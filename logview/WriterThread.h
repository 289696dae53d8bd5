#pragma once

#include <AtomicFile.h>
#include <UniqueAny.h>

#include <windows.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// A file written whole or not at all (AtomicFile) by a thread of its own,
// from buffers that the window's thread fills: that thread never waits for
// the disk, however slow it is, and so never keeps a tool waiting on its
// output. A few buffers of a fixed size go round between the two threads, so
// that what a save holds stays small however long the log.
class WriterThread {
public:
    struct Options {
        AtomicFile::Writer writer;
        AtomicFile::Mover mover;
        size_t bufferBytes = 2 * 1024 * 1024;
        size_t buffers = 4;
    };

    // wake runs on the writer's thread once half the buffers are free again
    // or none is left to write, and once when the writer is over; it must
    // only wake the filling thread.
    WriterThread(std::wstring path, const Options& options, std::function<void()> wake);
    // Abandons what is not committed yet.
    ~WriterThread();
    WriterThread(const WriterThread&) = delete;
    WriterThread& operator=(const WriterThread&) = delete;

    // False if no thread could be had; the reason is then Error().
    bool Start();

    // A buffer to fill, BufferBytes() long, or nothing while all of them wait
    // to be written. Queue hands it over once filled with that many bytes.
    char* FreeBuffer();
    void Queue(size_t bytes);
    size_t BufferBytes() const { return m_bufferBytes; }

    // Nothing more will come: the file takes the target's place once all is
    // written.
    void Finish();
    // Stops writing, at once where the platform can cut a write short, and
    // waits for the thread: the target stays as it was and no temporary file
    // is left.
    void Abandon();

    // Buffers written so far, whether the writer is over, and if it is, why
    // it failed (ERROR_SUCCESS once the file is in place).
    size_t Written() const;
    bool Over() const;
    DWORD Error() const;

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    // The next buffer to write, or nothing once there is none to come.
    bool NextToWrite(size_t& index, size_t& bytes);

    AtomicFile m_file;
    size_t m_bufferBytes;
    std::vector<std::vector<char>> m_buffers;
    std::function<void()> m_wake;
    UniqueHandle m_thread;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<size_t> m_free;
    // The buffer FreeBuffer gave out, until it is queued.
    std::optional<size_t> m_filling;
    // Filled and waiting, in order: which buffer and how many of its bytes.
    std::deque<std::pair<size_t, size_t>> m_full;
    size_t m_written = 0;
    bool m_finishing = false;
    bool m_abandoned = false;
    bool m_over = false;
    DWORD m_error = ERROR_SUCCESS;
};
