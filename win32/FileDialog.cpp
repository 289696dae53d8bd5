#include "FileDialog.h"

#include "ComPtr.h"
#include "UniqueAny.h"

#include <commdlg.h>
#include <shobjidl.h>

namespace {

// The flags both dialogs know, each under its own name.
constexpr std::pair<DWORD, FILEOPENDIALOGOPTIONS> kSharedFlags[] = {
    {OFN_OVERWRITEPROMPT, FOS_OVERWRITEPROMPT},
    {OFN_FILEMUSTEXIST, FOS_FILEMUSTEXIST},
    {OFN_PATHMUSTEXIST, FOS_PATHMUSTEXIST},
    {OFN_NOREADONLYRETURN, FOS_NOREADONLYRETURN},
};

// S_OK with a path, S_FALSE when cancelled, an error when the newer dialog
// is not available.
HRESULT ShowNewerDialog(HWND owner, const FileDialogRequest& request, std::wstring& path)
{
    ComPtr<IFileDialog> dialog;
    HRESULT hr = ::CoCreateInstance(request.save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog, nullptr,
        CLSCTX_INPROC_SERVER, IID_IFileDialog, reinterpret_cast<void**>(dialog.put()));
    if (FAILED(hr))
        return hr;

    std::vector<COMDLG_FILTERSPEC> types;
    for (const auto& [label, patterns] : request.types)
        types.push_back({label.c_str(), patterns.c_str()});
    if (!types.empty()) {
        dialog->SetFileTypes(static_cast<UINT>(types.size()), types.data());
        dialog->SetFileTypeIndex(1);
    }
    if (!request.title.empty())
        dialog->SetTitle(request.title.c_str());
    if (!request.defaultExtension.empty())
        dialog->SetDefaultExtension(request.defaultExtension.c_str());
    dialog->SetFileName(request.fileName.c_str());

    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    for (const auto& [classic, newer] : kSharedFlags)
        options = (request.flags & classic) != 0 ? options | newer : options & ~newer;
    options |= FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR;
    dialog->SetOptions(options);

    hr = dialog->Show(owner);
    if (FAILED(hr))
        return S_FALSE; // cancelled, or nothing to be had from it
    ComPtr<IShellItem> item;
    if (FAILED(dialog->GetResult(item.put())))
        return S_FALSE;
    UniqueTaskMemory<PWSTR> chosen;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, chosen.put())) || !chosen)
        return S_FALSE;
    path = chosen.get();
    return S_OK;
}

std::optional<std::wstring> ShowClassicDialog(HWND owner, const FileDialogRequest& request)
{
    std::wstring filter;
    for (const auto& [label, patterns] : request.types) {
        filter += label;
        filter.push_back(L'\0');
        filter += patterns;
        filter.push_back(L'\0');
    }
    filter.push_back(L'\0');

    // Room for the longest path the platform accepts.
    std::vector<wchar_t> file(32768, L'\0');
    request.fileName.copy(file.data(), file.size() - 1);

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    ofn.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
    ofn.Flags = request.flags | OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (!(request.save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn)))
        return std::nullopt;
    return std::wstring(file.data());
}

} // namespace

std::optional<std::wstring> ShowFileDialog(HWND owner, const FileDialogRequest& request)
{
    const UniqueApartment apartment = EnterSingleThreadedApartment();
    std::wstring path;
    const HRESULT result = ShowNewerDialog(owner, request, path);
    if (result == S_OK)
        return path;
    if (result == S_FALSE)
        return std::nullopt;
    return ShowClassicDialog(owner, request);
}
