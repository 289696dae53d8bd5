#pragma once

#include <windows.h>

// Control and command ids of Tarrow's window, as an operator's tools and
// these tests know them from outside.
namespace e2e::ids {

constexpr int kProgram = IDOK;
constexpr int kExit = IDCANCEL;
constexpr int kLog = 1000;
constexpr int kErase = 1001;
constexpr int kVerify = 1002;
constexpr int kFilePath = 1003;
constexpr int kBrowse = 1004;

// Controls without an id: a template says 0xFFFF, CreateWindow callers -1.
inline bool isNoId(int id)
{
    return id == -1 || id == 0xFFFF;
}

// The about entry appended to the system menu.
constexpr UINT kAboutCommand = 16;

} // namespace e2e::ids
