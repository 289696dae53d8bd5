#pragma once

#include <windows.h>

#include <string>

class CWnd;

// Command id of the help request (F1 in a dialog).
constexpr UINT ID_HELP = 0xE146;
// Help topics of dialogs are numbered from here plus the template id.
constexpr DWORD HID_BASE_RESOURCE = 0x20000;

// The application object: exactly one per process, constructed statically.
// The entry point initialises it and calls InitInstance; when InitInstance
// returns FALSE the process ends. Its name is the executable's, without the
// extension.
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();

    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();

    // Routes an application command through the derived class's table.
    virtual BOOL OnCmdMsg(UINT id);

    // Default handling of ID_HELP: the topic of the innermost modal dialog.
    void OnHelp();
    void WinHelp(DWORD_PTR data, UINT command = HELP_CONTEXT);

    // Owner of the about box and of framework message boxes, target of help.
    CWnd* m_pMainWnd = nullptr;

    // Called once by the entry point before InitInstance.
    void InitApplication(HINSTANCE instance);

protected:
    struct CommandRoute {
        UINT id;
        void (CWinApp::*handler)();
    };
    // The derived application's command table; empty by default.
    virtual const CommandRoute* Commands(size_t* count) const;

private:
    std::wstring m_helpFilePath;
};

CWinApp* AfxGetApp();
// Message box owned by the innermost modal dialog or else the main window,
// captioned with the application name.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK);
