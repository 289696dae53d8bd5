#pragma once

#include "CWnd.h"

#include <FileDialog.h>

#include <string>

// The open-file dialog: the platform's newer dialog where it has one, the
// classic one where it has not. A file that does not exist may be named.
class CFileDialog {
public:
    // filter: "label|patterns|label|patterns||", the first entry selected.
    CFileDialog(const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags, const wchar_t* filter, CWnd* parent);

    INT_PTR DoModal();
    std::wstring GetPathName() const { return m_pathName; }

private:
    FileDialogRequest m_request;
    CWnd* m_parent;
    std::wstring m_pathName;
};
