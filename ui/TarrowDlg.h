#pragma once

#include "TaskbarButton.h"
#include "resources/resource.h"

#include <CDialog.h>
#include <CEdit.h>
#include <CStatic.h>
#include <LogPane.h>
#include <RunListener.h>
#include <ToolSession.h>

#include <cstddef>
#include <string>

// The main window: file box, the three device actions, Browse, Exit, the
// logo and the log. Its handlers do the window's part of each request (the
// file box, the buttons, the file dialog, the prompt); the tool session
// under it runs the tools and keeps their rules. While a tool runs, the
// window holds off the end of the session and shows the run on the taskbar.
class CTarrowDlg : public CDialog, private RunListener {
public:
    enum { IDD = IDD_MAIN };

    explicit CTarrowDlg(CWnd* parent = nullptr);

    // A file to take as if chosen in Browse once the window is up (Open
    // with, a shortcut's argument); nothing if empty.
    void OpenOnceShown(const std::wstring& path) { m_strFileToOpen = path; }

    // The log: program messages as whole lines, tool output as it comes.
    void AppendLog(const std::wstring& text, bool newLine);
    void AppendWorkerOutput(const char* bytes, size_t length);

    // Runs one tool with the given command line; see ToolSession::Run.
    BOOL RunWorker(const std::wstring& commandLine);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Ctrl+F, Ctrl+S and F3 anywhere in the window go to the log. Only while
    // no tool runs: the tool's run dispatches messages itself, and the
    // window's keys then stay as they are.
    bool PreTranslateMessage(const MSG& msg) override;

    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    void OnProgram();
    void OnVerify();
    void OnErase();
    void OnBrowse();
    void OnExit();
    LRESULT OnDropFiles(WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnOpenFileOnceShown(WPARAM wParam, LPARAM lParam);

private:
    using Route = CDialog::Route<CTarrowDlg>;
    static const Route kRoutes[];

    void OnRunStarted() override;
    void OnRunEnded() override;

    void RunDeviceActionWithButtonsDisabled(const wchar_t* action);
    // The file box's text goes to the session exactly as typed.
    bool RunDeviceAction(const wchar_t* action);
    void EnableActionButtons(BOOL enable) const;
    void CreateLogo();
    // The log's font and the logo, made for the window's DPI.
    void ScaleToDpi(int dpi);
    // What Browse does with the file the operator chose: a file box entry,
    // or an STP file converted first. A drop and the command line end here too.
    void TakeChosenFile(const std::wstring& path);

    HICON m_hIcon;
    CStatic m_logo;
    CEdit m_log;
    LogPane m_logPane;
    ToolSession m_session;
    // The session's paths and busy state, under the names the window's
    // handlers know them by; a run is stopped through the session only.
    const std::wstring& m_strAppDir;
    const std::wstring& m_strProgrammerPath;
    const std::wstring& m_strConverterPath;
    const bool& m_bRunning;
    TaskbarButton m_taskbar;
    std::wstring m_strFileToOpen;
};
