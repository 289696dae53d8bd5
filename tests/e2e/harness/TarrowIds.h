#pragma once

#include <windows.h>

#include "resource.h"

// Control, dialog and command ids of Tarrow's window, as an operator's tools
// and these tests know them from outside: the program's own, never copies.
namespace e2e::ids {

constexpr int kProgram = IDOK;
constexpr int kExit = IDCANCEL;
constexpr int kLog = IDC_LOG;
constexpr int kErase = IDC_ERASE;
constexpr int kVerify = IDC_VERIFY;
constexpr int kFilePath = IDC_FILE_PATH;
constexpr int kBrowse = IDC_BROWSE;

// The dialogs, which are also their help topics.
constexpr int kMainDialog = IDD_MAIN;
constexpr int kAboutDialog = IDD_ABOUTBOX;

// Controls without an id: a template says 0xFFFF, CreateWindow callers -1.
inline bool isNoId(int id)
{
    return id == -1 || id == 0xFFFF;
}

// The about entry appended to the system menu.
constexpr UINT kAboutCommand = IDM_ABOUTBOX;

} // namespace e2e::ids
