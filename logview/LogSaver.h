#pragma once

#include "LogText.h"

#include <AtomicFile.h>

#include <windows.h>

#include <string>

// Writes the log to a file as UTF-8 with a byte-order mark (so that every
// Notepad from Windows 7 on opens it as Unicode): read back, exactly the
// log's text, line breaks and lone carriage returns included. The file is
// made beside the target and takes its place only once complete, so an
// existing file keeps its content whatever fails. It streams through one
// small buffer, so that a log filling most of the address space can still
// be saved.
class LogSaver {
public:
    explicit LogSaver(const LogText& text, AtomicFile::Writer writer = {})
        : m_text(text)
        , m_writer(std::move(writer))
    {
    }

    // ERROR_SUCCESS once saved, else why not.
    DWORD SaveTo(const std::wstring& path) const;

    // UTF-8 written at a time.
    static constexpr size_t kBufferBytes = 1024 * 1024;

private:
    const LogText& m_text;
    AtomicFile::Writer m_writer;
};
