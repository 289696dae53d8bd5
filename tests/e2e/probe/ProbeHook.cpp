// The probe DLL: a WH_GETMESSAGE hook the harness installs on Tarrow's GUI
// thread. Windows (and Wine) load it into Tarrow, where it answers requests
// posted to the main window; see ProbeProtocol.h.

#include "Encoding.h"
#include "OwnedHandle.h"
#include "ProbeProtocol.h"
#include "UniqueAny.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

std::string describeSystemMenu(HWND window)
{
    const HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu)
        return "error=no system menu\n";
    const int count = ::GetMenuItemCount(menu);
    std::string answer = "count=" + std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item))
            return "error=cannot read item " + std::to_string(i) + "\n";
        std::wstring text;
        if (item.cch > 0) {
            text.resize(item.cch + 1);
            item.dwTypeData = text.data();
            ++item.cch;
            ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
            text.resize(item.cch);
        }
        const char* kind = (item.fType & MFT_SEPARATOR) ? "separator" : item.hSubMenu ? "popup" : "string";
        answer += "item=" + std::to_string(item.wID) + "\t" + kind + "\t" + hex(item.fState) + "\t"
            + testkit::encoding::toRecordValue(text) + "\n";
    }
    return answer;
}

std::string describeFont(HWND window, int controlId)
{
    const HWND control = ::GetDlgItem(window, controlId);
    if (!control)
        return "error=no control " + std::to_string(controlId) + "\n";
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    if (!font)
        return "font=none\n";
    LOGFONTW description{};
    if (!::GetObjectW(font, sizeof description, &description))
        return "error=cannot read the font\n";
    return "face=" + testkit::encoding::toRecordValue(description.lfFaceName)
        + "\nheight=" + std::to_string(description.lfHeight) + "\nweight=" + std::to_string(description.lfWeight)
        + "\ncharset=" + std::to_string(description.lfCharSet) + "\n";
}

std::wstring requestFileName(const MSG& request, const wchar_t* extension)
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp, length) + L"tarrow-e2e-probe-" + std::to_wstring(::GetCurrentProcessId()) + L"-"
        + std::to_wstring(static_cast<unsigned long>(request.lParam)) + extension;
}

std::string readWholeFile(const std::wstring& name)
{
    testkit::OwnedHandle file(
        ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return {};
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

// The block the shell hands a window with WM_DROPFILES: a DROPFILES header,
// then the wide paths, each ending in a null, and one more null at the end.
// Tarrow owns it from the post on and gives it back with DragFinish.
std::string dropFiles(const MSG& request)
{
    const std::wstring input = requestFileName(request, L".in");
    const std::string text = readWholeFile(input);
    ::DeleteFileW(input.c_str());
    std::vector<std::wstring> paths;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.compare(0, 5, "file=") == 0)
            paths.push_back(testkit::encoding::fromRecordValue(line.substr(5)));
        start = end + 1;
    }
    if (paths.empty())
        return "error=no files to drop\n";

    std::wstring names;
    for (const std::wstring& path : paths)
        names += path + L'\0';
    names += L'\0';
    const SIZE_T size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    auto* header = block ? static_cast<DROPFILES*>(::GlobalLock(block.get())) : nullptr;
    if (!header)
        return "error=cannot allocate the drop\n";
    header->pFiles = sizeof(DROPFILES);
    RECT client{};
    ::GetClientRect(request.hwnd, &client);
    header->pt = {client.right / 2, client.bottom / 2};
    header->fNC = FALSE;
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    ::GlobalUnlock(block.get());
    if (!::PostMessageW(request.hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(block.get()), 0))
        return "error=cannot post the drop\n";
    block.release();
    return "files=" + std::to_string(paths.size()) + "\n";
}

void answer(const MSG& request)
{
    std::string reply;
    switch (LOWORD(request.wParam)) {
    case probe::kSystemMenu:
        reply = describeSystemMenu(request.hwnd);
        break;
    case probe::kControlFont:
        reply = describeFont(request.hwnd, static_cast<short>(HIWORD(request.wParam)));
        break;
    case probe::kDropFiles:
        reply = dropFiles(request);
        break;
    default:
        reply = "error=unknown request\n";
        break;
    }

    const std::wstring name = requestFileName(request, L".txt");
    const std::wstring partial = name + L".part";

    testkit::OwnedHandle file(
        ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD written = 0;
    const bool complete = ::WriteFile(file.get(), reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr)
        && written == reply.size();
    file.reset();
    if (complete)
        ::MoveFileExW(partial.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING);
    else
        ::DeleteFileW(partial.c_str());
}

LRESULT CALLBACK getMessageHook(int code, WPARAM removal, LPARAM parameter)
{
    if (code == HC_ACTION && removal == PM_REMOVE) {
        auto* message = reinterpret_cast<MSG*>(parameter);
        if (message->message == ::RegisterWindowMessageW(probe::kRequestMessageName)) {
            answer(*message);
            // Tarrow itself never sees the request.
            message->message = WM_NULL;
        }
    }
    return ::CallNextHookEx(nullptr, code, removal, parameter);
}

} // namespace

// Hands the harness the hook procedure's address; a plain exported function
// keeps the name undecorated for every compiler.
extern "C" __declspec(dllexport) HOOKPROC tarrowE2EProbeHook()
{
    return getMessageHook;
}
