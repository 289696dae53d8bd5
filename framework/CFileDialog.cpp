#include "CFileDialog.h"

CFileDialog::CFileDialog(
    const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags, const wchar_t* filter, CWnd* parent)
    : m_parent(parent)
{
    m_request.defaultExtension = defaultExt ? defaultExt : L"";
    m_request.fileName = fileName ? fileName : L"";
    m_request.flags = flags;
    std::wstring rest = filter ? filter : L"";
    for (;;) {
        const size_t labelEnd = rest.find(L'|');
        if (labelEnd == std::wstring::npos || labelEnd == 0)
            break;
        const size_t patternEnd = rest.find(L'|', labelEnd + 1);
        if (patternEnd == std::wstring::npos)
            break;
        m_request.types.emplace_back(rest.substr(0, labelEnd), rest.substr(labelEnd + 1, patternEnd - labelEnd - 1));
        rest.erase(0, patternEnd + 1);
    }
}

INT_PTR CFileDialog::DoModal()
{
    const auto path = ShowFileDialog(m_parent ? m_parent->GetSafeHwnd() : nullptr, m_request);
    if (!path)
        return IDCANCEL;
    m_pathName = *path;
    return IDOK;
}
