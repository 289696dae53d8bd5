#pragma once

#include <windows.h>

#include <commdlg.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// What a file dialog asks: to open a file or to save one, under which title,
// with which file types (the first one selected) and which name proposed.
struct FileDialogRequest {
    bool save = false;
    // Empty: the platform's own ("打开", "另存为").
    std::wstring title;
    // Label and patterns ("*.dat;*.stp") of each entry of the type list.
    std::vector<std::pair<std::wstring, std::wstring>> types;
    std::wstring defaultExtension;
    std::wstring fileName;
    // OFN_ flags, the classic dialog's words; the newer dialog is told the
    // same of OFN_OVERWRITEPROMPT, OFN_FILEMUSTEXIST, OFN_PATHMUSTEXIST and
    // OFN_NOREADONLYRETURN.
    DWORD flags = 0;
};

// Shows the platform's file dialog, owned by owner: the newer one where it
// has one, the classic one where it has not. The chosen path, or nothing if
// the operator cancelled. Neither changes the current directory.
std::optional<std::wstring> ShowFileDialog(HWND owner, const FileDialogRequest& request);
