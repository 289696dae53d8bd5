#pragma once

#include "LogEncoder.h"
#include "LogText.h"

#include <AtomicFile.h>
#include <UniqueAny.h>

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Writes the log's text up to a given end to a file, whole or not at all
// (AtomicFile), as UTF-8 after a byte-order mark, on a thread of its own:
// the window's thread never waits for the disk, however slow it is, and so
// never keeps a tool waiting on its output. The thread reads the text where
// it is kept while the window's thread may append to it, so each buffer is
// filled holding textLock, which whoever changes the text holds too: the
// window's thread then waits at most for one buffer to be filled, never for
// a write. One buffer, filled and written by the one thread, so that what it
// writes is still in that processor's cache.
class SaveWriter {
public:
    struct Options {
        AtomicFile::Writer writer;
        AtomicFile::Mover mover;
        size_t bufferBytes = 1024 * 1024;
    };

    // wake runs on the writer's thread now and then while it writes, and
    // once when it is over; it must only wake the window's thread.
    SaveWriter(const LogText& text, std::mutex& textLock, std::wstring path, const Options& options,
        std::function<void()> wake);
    // Abandons what is not committed yet.
    ~SaveWriter();
    SaveWriter(const SaveWriter&) = delete;
    SaveWriter& operator=(const SaveWriter&) = delete;

    // False if no thread could be had; the reason is then Error().
    bool Start();
    // Stops writing, at once where the platform can cut a write short, and
    // waits for the thread: the target stays as it was and no temporary file
    // is left.
    void Abandon();

    // The characters of the text written so far, of End().
    size_t Written() const { return m_written.load(); }
    size_t End() const { return m_encoder.End(); }
    bool Over() const { return m_over.load(); }
    // Once over: ERROR_SUCCESS once the file is in place, else why not.
    DWORD Error() const { return m_error; }
    // Once over: the text was changed other than at its end meanwhile, so
    // the file could not be the text as it stood.
    bool Overtaken() const { return m_overtaken; }

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    // Fills the buffer from used on; false if the text was changed other
    // than at its end since the start.
    bool Fill(size_t& used);

    const LogText& m_text;
    std::mutex& m_textLock;
    size_t m_rewrites;
    LogEncoder m_encoder;
    AtomicFile m_file;
    std::vector<char> m_buffer;
    std::function<void()> m_wake;
    UniqueHandle m_thread;

    std::atomic<bool> m_abandoned{false};
    std::atomic<size_t> m_written{0};
    std::atomic<bool> m_over{false};
    // Written by the thread before m_over, read after it.
    DWORD m_error = ERROR_SUCCESS;
    bool m_overtaken = false;
};
