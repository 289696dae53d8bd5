// Program, Verify and Erase: each runs the back-end tool once on the file
// named in the file box, with the action buttons greyed out meanwhile.
#include <TarrowDlg.h>

#include "CommandLine.h"

void CTarrowDlg::OnProgram()
{
    RunDeviceActionWithButtonsDisabled(L"-aprogram");
}

void CTarrowDlg::OnVerify()
{
    RunDeviceActionWithButtonsDisabled(L"-averify");
}

void CTarrowDlg::OnErase()
{
    RunDeviceActionWithButtonsDisabled(L"-aerase");
}

void CTarrowDlg::RunDeviceActionWithButtonsDisabled(const wchar_t* action)
{
    EnableActionButtons(FALSE);
    RunDeviceAction(action);
    EnableActionButtons(TRUE);
}

void CTarrowDlg::EnableActionButtons(BOOL enable) const
{
    // Browse and Exit stay enabled: a conversion can still be asked for and
    // the program closed while the tool runs.
    ::EnableWindow(GetDlgItem(IDC_ERASE), enable);
    ::EnableWindow(GetDlgItem(IDOK), enable);
    ::EnableWindow(GetDlgItem(IDC_VERIFY), enable);
}

bool CTarrowDlg::RunDeviceAction(const wchar_t* action)
{
    // Exactly as typed: the same text is tested and handed to the tool.
    const std::wstring file = GetDlgItemText(IDC_FILE_PATH);
    if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        AppendLog(L"文件不存在！", true);
        return false;
    }
    RunWorker(DeviceCommandLine(m_strProgrammerPath, action, file));
    return true;
}
