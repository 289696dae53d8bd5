#pragma once

#include "resources/resource.h"

#include <CDialog.h>
#include <CEdit.h>
#include <CFont.h>
#include <CStatic.h>
#include <LogPane.h>

#include <cstddef>
#include <string>

// The main window: file box, the three device actions, Browse, Exit, the
// logo and the log. It also holds what the tool operations share: the tool
// paths, the busy flag and the log.
class CTarrowDlg : public CDialog {
public:
    enum { IDD = IDD_MAIN };

    explicit CTarrowDlg(CWnd* parent = nullptr);

    // The log: program messages as whole lines, tool output as it comes.
    void AppendLog(const std::wstring& text, bool newLine);
    void AppendWorkerOutput(const char* bytes, size_t length);

    // Runs one tool with the given command line; see WorkerRunner.
    BOOL RunWorker(const std::wstring& commandLine);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    void OnProgram();
    void OnVerify();
    void OnErase();
    void OnBrowse();
    void OnExit();

private:
    using Route = CDialog::Route<CTarrowDlg>;
    static const Route kRoutes[];

    void RunDeviceActionWithButtonsDisabled(const wchar_t* action);
    bool RunDeviceAction(const wchar_t* action);
    void EnableActionButtons(BOOL enable) const;
    // Runs the converter and judges its run by its own output only.
    bool ConvertStpFile(const std::wstring& stpPath, const std::wstring& datPath);
    void CreateLogo();

    HICON m_hIcon;
    CStatic m_logo;
    std::wstring m_strAppDir;
    std::wstring m_strProgrammerPath;
    std::wstring m_strConverterPath;
    BOOL m_bRunning;
    CEdit m_log;
    LogPane m_logPane;
};
