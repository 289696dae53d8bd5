#include "TarrowApp.h"

#include <LogView.h>
#include <ModuleState.h>
#include <TarrowDlg.h>

// The one application object; the framework's entry point finds it.
CTarrowApp theApp;

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
        m_pMainWnd = &dialog;
        dialog.DoModal();
    }
    // Nothing may point at the dialog once it is gone, even if its window
    // was never created.
    m_pMainWnd = nullptr;
    return FALSE;
}
