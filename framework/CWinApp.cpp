#include "CWinApp.h"

#include "CDialog.h"
#include "ModulePath.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const wchar_t* appName)
{
    if (appName)
        m_appName = appName;
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

void CWinApp::InitApplication(HINSTANCE instance)
{
    m_hInstance = instance;
    const std::wstring exePath = ModuleFileName(nullptr);
    const size_t slash = exePath.find_last_of(L"\\/");
    const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    const size_t dot = exePath.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot >= nameStart;

    if (m_appName.empty())
        m_appName = exePath.substr(nameStart, hasExtension ? dot - nameStart : std::wstring::npos);
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
    const CDialog* dialog = CDialog::InnermostModal();
    if (dialog)
        WinHelp(HID_BASE_RESOURCE + dialog->TemplateId());
}

void CWinApp::WinHelp(DWORD_PTR data, UINT command)
{
    const CDialog* dialog = CDialog::InnermostModal();
    HWND owner = dialog ? dialog->GetSafeHwnd() : nullptr;
    if (!owner && m_pMainWnd)
        owner = m_pMainWnd->GetSafeHwnd();
    if (!::WinHelpW(owner, m_helpFilePath.c_str(), command, data))
        AfxMessageBox(L"启动帮助失败。");
}

CWinApp* AfxGetApp()
{
    return g_app;
}

std::wstring AfxGetAppName()
{
    return g_app ? g_app->AppName() : std::wstring();
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_app && g_app->Instance() ? g_app->Instance() : ::GetModuleHandleW(nullptr);
}

int AfxMessageBox(const std::wstring& text, UINT type)
{
    HWND owner = nullptr;
    if (const CDialog* dialog = CDialog::InnermostModal())
        owner = dialog->GetSafeHwnd();
    else if (g_app && g_app->m_pMainWnd)
        owner = g_app->m_pMainWnd->GetSafeHwnd();
    return ::MessageBoxW(owner, text.c_str(), AfxGetAppName().c_str(), type);
}
