#pragma once

#include "CWnd.h"

#include <commdlg.h>

#include <string>
#include <vector>

// The open-file dialog: the platform's newer dialog where it has one, the
// classic one where it has not. A file that does not exist may be named.
class CFileDialog {
public:
    // filter: "label|patterns|label|patterns||", the first entry selected.
    CFileDialog(const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags, const wchar_t* filter, CWnd* parent);

    INT_PTR DoModal();
    std::wstring GetPathName() const { return m_pathName; }

private:
    struct FilterEntry {
        std::wstring label;
        std::wstring patterns;
    };

    // S_OK with a path, S_FALSE when cancelled, an error when the newer
    // dialog is not available.
    HRESULT ShowNewerDialog(HWND owner);
    INT_PTR ShowClassicDialog(HWND owner);

    std::wstring m_defaultExt;
    std::wstring m_fileName;
    DWORD m_flags;
    std::vector<FilterEntry> m_filter;
    CWnd* m_parent;
    std::wstring m_pathName;
};
