#include "TarrowApp.h"

#include <LogView.h>
#include <ModuleState.h>
#include <TarrowDlg.h>
#include <UniqueAny.h>

#include <shellapi.h>

// The one application object; the framework's entry point finds it.
CTarrowApp theApp;

namespace {

// The first argument, as Explorer's "Open with" and a shortcut give it:
// the file to take as if chosen in Browse; any further ones are ignored.
// A name relative to the current folder is made full, as the file dialog
// would give it, so the file box shows where the file really is.
std::wstring FileNamedOnCommandLine()
{
    int count = 0;
    const UniqueLocal<LPWSTR*> arguments(::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!arguments || count < 2 || !arguments.get()[1][0])
        return {};
    const wchar_t* name = arguments.get()[1];
    const DWORD size = ::GetFullPathNameW(name, 0, nullptr, nullptr);
    if (size == 0)
        return name;
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(name, size, &full[0], nullptr);
    if (length == 0 || length >= size)
        return name;
    full.resize(length);
    return full;
}

} // namespace

const CWinApp::CommandRoute* CTarrowApp::Commands(size_t* count) const
{
    static const CommandRoute routes[] = {
        {ID_HELP, &CWinApp::OnHelp},
    };
    *count = sizeof(routes) / sizeof(routes[0]);
    return routes;
}

BOOL CTarrowApp::InitInstance()
{
    CWinApp::InitInstance();
    // The main dialog's template names the log's window class.
    LogView::Register(AfxGetInstanceHandle());

    {
        CTarrowDlg dialog;
        dialog.OpenOnceShown(FileNamedOnCommandLine());
        m_pMainWnd = &dialog;
        dialog.DoModal();
    }
    // Nothing may point at the dialog once it is gone, even if its window
    // was never created.
    m_pMainWnd = nullptr;
    return FALSE;
}
