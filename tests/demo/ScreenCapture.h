#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

// Screenshots of another program's windows, read back from the screen as it
// shows them (frame and caption included, and whatever dialog is open), so
// they are taken from outside the program, like an operator's.
class ScreenCapture {
public:
    // The rectangle around every visible top-level window of the process,
    // within the screen; nothing if none is showing.
    static std::optional<RECT> areaOf(DWORD processId);
    // Saves that part of the screen as a 24-bit BMP file.
    static testing::AssertionResult saveBmp(const RECT& area, const std::wstring& path);
};
