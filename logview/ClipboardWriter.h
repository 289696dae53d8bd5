#pragma once

#include "LogText.h"

#include <windows.h>

#include <cstddef>

// Puts part of the log on the clipboard as Unicode text.
class ClipboardWriter {
public:
    // The clipboard's owner while the text is on it.
    explicit ClipboardWriter(HWND owner)
        : m_owner(owner)
    {
    }

    // [from, to) of text, line breaks as "\r\n"; false if the clipboard
    // could not be had or the memory not allocated.
    bool Put(const LogText& text, size_t from, size_t to) const;

private:
    HWND m_owner;
};
