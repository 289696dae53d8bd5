#include "CWinApp.h"

#include "CWnd.h"
#include "ModalStack.h"
#include "ModulePath.h"
#include "ModuleState.h"

namespace {

CWinApp* g_app = nullptr;

// Where help and the framework's boxes go: the innermost modal dialog's
// window, else the main window.
HWND BoxOwner()
{
    const ModalStack::Frame* modal = ModalStack::Innermost();
    if (HWND owner = modal ? modal->window->GetSafeHwnd() : nullptr)
        return owner;
    return g_app && g_app->m_pMainWnd ? g_app->m_pMainWnd->GetSafeHwnd() : nullptr;
}

} // namespace

CWinApp::CWinApp()
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

void CWinApp::InitApplication(HINSTANCE instance)
{
    const std::wstring exePath = ModuleFileName(nullptr);
    const size_t slash = exePath.find_last_of(L"\\/");
    const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    const size_t dot = exePath.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot >= nameStart;

    ModuleState::Initialise(instance, exePath.substr(nameStart, hasExtension ? dot - nameStart : std::wstring::npos));
    m_helpFilePath = (hasExtension ? exePath.substr(0, dot) : exePath) + L".HLP";
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

const CWinApp::CommandRoute* CWinApp::Commands(size_t* count) const
{
    *count = 0;
    return nullptr;
}

BOOL CWinApp::OnCmdMsg(UINT id)
{
    size_t count = 0;
    const CommandRoute* routes = Commands(&count);
    for (size_t i = 0; i < count; ++i) {
        if (routes[i].id == id) {
            (this->*routes[i].handler)();
            return TRUE;
        }
    }
    return FALSE;
}

void CWinApp::OnHelp()
{
    if (const ModalStack::Frame* modal = ModalStack::Innermost())
        WinHelp(HID_BASE_RESOURCE + modal->templateId);
}

void CWinApp::WinHelp(DWORD_PTR data, UINT command)
{
    if (!::WinHelpW(BoxOwner(), m_helpFilePath.c_str(), command, data))
        AfxMessageBox(L"启动帮助失败。");
}

CWinApp* AfxGetApp()
{
    return g_app;
}

int AfxMessageBox(const std::wstring& text, UINT type)
{
    return ::MessageBoxW(BoxOwner(), text.c_str(), AfxGetAppName().c_str(), type);
}
