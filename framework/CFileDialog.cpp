#include "CFileDialog.h"

#include <ComPtr.h>
#include <UniqueAny.h>

#include <commdlg.h>
#include <shobjidl.h>

CFileDialog::CFileDialog(
    const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags, const wchar_t* filter, CWnd* parent)
    : m_defaultExt(defaultExt ? defaultExt : L"")
    , m_fileName(fileName ? fileName : L"")
    , m_flags(flags)
    , m_parent(parent)
{
    std::wstring rest = filter ? filter : L"";
    for (;;) {
        const size_t labelEnd = rest.find(L'|');
        if (labelEnd == std::wstring::npos || labelEnd == 0)
            break;
        const size_t patternEnd = rest.find(L'|', labelEnd + 1);
        if (patternEnd == std::wstring::npos)
            break;
        m_filter.push_back({rest.substr(0, labelEnd), rest.substr(labelEnd + 1, patternEnd - labelEnd - 1)});
        rest.erase(0, patternEnd + 1);
    }
}

INT_PTR CFileDialog::DoModal()
{
    HWND owner = m_parent ? m_parent->GetSafeHwnd() : nullptr;
    const UniqueApartment apartment = EnterSingleThreadedApartment();
    const HRESULT result = ShowNewerDialog(owner);
    if (result == S_OK)
        return IDOK;
    if (result == S_FALSE)
        return IDCANCEL;
    return ShowClassicDialog(owner);
}

HRESULT CFileDialog::ShowNewerDialog(HWND owner)
{
    ComPtr<IFileOpenDialog> dialog;
    HRESULT hr = ::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
        reinterpret_cast<void**>(dialog.put()));
    if (FAILED(hr))
        return hr;

    std::vector<COMDLG_FILTERSPEC> types;
    for (const FilterEntry& entry : m_filter)
        types.push_back({entry.label.c_str(), entry.patterns.c_str()});
    if (!types.empty()) {
        dialog->SetFileTypes(static_cast<UINT>(types.size()), types.data());
        dialog->SetFileTypeIndex(1);
    }
    if (!m_defaultExt.empty())
        dialog->SetDefaultExtension(m_defaultExt.c_str());
    dialog->SetFileName(m_fileName.c_str());

    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    // The operator may name a file, or a folder, that is not there yet.
    options &= ~static_cast<FILEOPENDIALOGOPTIONS>(FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST);
    options |= FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR;
    dialog->SetOptions(options);

    hr = dialog->Show(owner);
    if (hr == HRESULT_FROM_WIN32(ERROR_CANCELLED))
        return S_FALSE;
    if (FAILED(hr))
        return S_FALSE;

    ComPtr<IShellItem> item;
    if (FAILED(dialog->GetResult(item.put())))
        return S_FALSE;
    UniqueTaskMemory<PWSTR> path;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path.put())) || !path)
        return S_FALSE;
    m_pathName = path.get();
    return S_OK;
}

INT_PTR CFileDialog::ShowClassicDialog(HWND owner)
{
    std::wstring filter;
    for (const FilterEntry& entry : m_filter) {
        filter += entry.label;
        filter.push_back(L'\0');
        filter += entry.patterns;
        filter.push_back(L'\0');
    }
    filter.push_back(L'\0');

    // Room for the longest path the platform accepts.
    std::vector<wchar_t> file(32768, L'\0');
    m_fileName.copy(file.data(), file.size() - 1);

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = m_defaultExt.empty() ? nullptr : m_defaultExt.c_str();
    ofn.Flags = m_flags | OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&ofn))
        return IDCANCEL;
    m_pathName = file.data();
    return IDOK;
}
