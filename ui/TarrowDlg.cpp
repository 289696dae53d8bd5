#include "TarrowDlg.h"

#include "AboutDlg.h"
#include "DroppedFiles.h"

#include <CDataExchange.h>
#include <CFileDialog.h>
#include <CFont.h>
#include <ConversionCheck.h>
#include <DpiScale.h>
#include <LogView.h>
#include <ModulePath.h>
#include <ModuleState.h>
#include <UniqueAny.h>
#include <WindowDpi.h>

#include <map>
#include <utility>

namespace {

const wchar_t kFileFilter[] = L"*.dat,*.stp|*.dat;*.stp|所有文件|*.*||";

// Posted to itself at initialisation: the file from the command line is
// taken by the modal loop, with the window on screen.
const UINT kOpenFileOnceShown = WM_APP + 1;

// The message with which the shell hands a drop's data to a window at
// another integrity level; the SDK's headers give it no name.
constexpr UINT kCopyGlobalData = 0x0049;

// At 96 DPI; as many points at any other.
constexpr int kLogFontPixels = 12;
constexpr int kLogoPixels = 120;
constexpr RECT kLogoRect = {10, 10, 130, 130};

// The log font and the logo image are made once for each DPI the window
// meets and kept for the life of the process, so no control ever borrows one
// that has gone, not even while the DPI changes.
HFONT LogFont(const DpiScale& scale)
{
    static std::map<int, CFont> fonts;
    CFont& font = fonts[scale.Dpi()];
    if (!font.GetSafeHandle())
        font.CreateFont(scale.Pixels(kLogFontPixels), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
            FF_SWISS, L"新宋体");
    return font;
}

HICON LogoImage(const DpiScale& scale)
{
    static std::map<int, UniqueIcon> images;
    const int size = scale.Pixels(kLogoPixels);
    UniqueIcon& image = images[size];
    if (!image)
        image.reset(static_cast<HICON>(
            ::LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_LOGO), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    return image.get();
}

} // namespace

const CTarrowDlg::Route CTarrowDlg::kRoutes[] = {
    {WM_SYSCOMMAND, 0, nullptr, &CTarrowDlg::OnSysCommand},
    {WM_PAINT, 0, nullptr, &CTarrowDlg::OnPaint},
    {WM_QUERYDRAGICON, 0, nullptr, &CTarrowDlg::OnQueryDragIcon},
    {WM_QUERYENDSESSION, 0, nullptr, &CTarrowDlg::OnQueryEndSession},
    {WM_ENDSESSION, 0, nullptr, &CTarrowDlg::OnEndSession},
    {WindowDpi::kChanged, 0, nullptr, &CTarrowDlg::OnDpiChanged},
    {WM_COMMAND, IDOK, &CTarrowDlg::OnProgram, nullptr},
    {WM_COMMAND, IDC_ERASE, &CTarrowDlg::OnErase, nullptr},
    {WM_COMMAND, IDC_VERIFY, &CTarrowDlg::OnVerify, nullptr},
    {WM_COMMAND, IDC_BROWSE, &CTarrowDlg::OnBrowse, nullptr},
    {WM_COMMAND, IDCANCEL, &CTarrowDlg::OnExit, nullptr},
    {WM_DROPFILES, 0, nullptr, &CTarrowDlg::OnDropFiles},
    {WM_NOTIFY, 0, nullptr, &CTarrowDlg::OnNotify},
    {kOpenFileOnceShown, 0, nullptr, &CTarrowDlg::OnOpenFileOnceShown},
};

CTarrowDlg::CTarrowDlg(CWnd* parent)
    : CDialog(IDD, parent)
    , m_hIcon(::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
    , m_logPane(m_log)
    , m_session(m_logPane)
    , m_strAppDir(m_session.AppDir())
    , m_strProgrammerPath(m_session.ProgrammerPath())
    , m_strConverterPath(m_session.ConverterPath())
    , m_bRunning(m_session.Running())
{
    m_session.SetRunListener(this);
}

bool CTarrowDlg::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (m_taskbar.OnMessage(message)) {
        *result = 0;
        return true;
    }
    return Dispatch(kRoutes, message, wParam, lParam, result);
}

bool CTarrowDlg::PreTranslateMessage(const MSG& msg)
{
    if (!LogView::IsCommandKey(msg) || (msg.hwnd != m_hWnd && !::IsChild(m_hWnd, msg.hwnd)))
        return false;
    m_log.SendMessage(WM_KEYDOWN, msg.wParam, msg.lParam);
    return true;
}

void CTarrowDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LOG, m_log);
}

BOOL CTarrowDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (HMENU sysMenu = GetSystemMenu(FALSE)) {
        wchar_t about[128] = {};
        if (::LoadStringW(AfxGetInstanceHandle(), IDS_ABOUTBOX, about, 128) > 0) {
            ::AppendMenuW(sysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(sysMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_session.LocateTools(ModuleFileName(nullptr));

    CreateLogo();
    ScaleToDpi(WindowDpi::Of(m_hWnd));
    // Its font is ours to scale, not the dialog manager's to replace.
    WindowDpi::KeepFontOnChange(m_log.GetSafeHwnd());
    m_log.SendMessage(LogViewMessages::kSetAccessibleName, 0, reinterpret_cast<LPARAM>(L"日志"));
    m_log.SendMessage(LogViewMessages::kSetAppName, 0, reinterpret_cast<LPARAM>(AfxGetAppName().c_str()));
    m_logPane.RemoveLengthLimit();
    m_log.SetWindowText(L"");

    m_taskbar.Attach(m_hWnd);
    ::DragAcceptFiles(m_hWnd, TRUE);
    // Device tools are often run as administrator; the system then filters
    // out what Explorer, at the operator's own level, sends for a drop.
    for (const UINT message : {UINT{WM_DROPFILES}, UINT{WM_COPYDATA}, kCopyGlobalData})
        ::ChangeWindowMessageFilterEx(m_hWnd, message, MSGFLT_ALLOW, nullptr);
    if (!m_strFileToOpen.empty())
        ::PostMessageW(m_hWnd, kOpenFileOnceShown, 0, 0);
    return TRUE;
}

void CTarrowDlg::CreateLogo()
{
    m_logo.Create(L"", WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, kLogoRect, this, static_cast<UINT>(-1));
    WindowDpi::KeepPlaceOnChange(m_logo.GetSafeHwnd());
}

void CTarrowDlg::ScaleToDpi(int dpi)
{
    const DpiScale scale(dpi);
    m_log.SetFont(LogFont(scale), TRUE);
    const RECT logo = scale.Rect(kLogoRect);
    ::SetWindowPos(m_logo.GetSafeHwnd(), nullptr, logo.left, logo.top, logo.right - logo.left, logo.bottom - logo.top,
        SWP_NOZORDER | SWP_NOACTIVATE);
    if (const HICON image = LogoImage(scale))
        m_logo.SetIcon(image);
}

// Per-monitor DPI: the dialog manager scales the template's controls and
// their fonts; the log's font and the logo, which are not from the template,
// are scaled here.
LRESULT CTarrowDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam)
{
    if (const auto* suggested = reinterpret_cast<const RECT*>(lParam))
        ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
            suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    ScaleToDpi(HIWORD(wParam));
    Default();
    return 0;
}

LRESULT CTarrowDlg::OnSysCommand(WPARAM wParam, LPARAM)
{
    if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    } else {
        Default();
    }
    return 0;
}

LRESULT CTarrowDlg::OnPaint(WPARAM, LPARAM)
{
    if (!IsIconic()) {
        Default();
        return 0;
    }
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(&client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CTarrowDlg::OnQueryDragIcon(WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>(m_hIcon);
}

// A log-off, shutdown or restart would cut a device off half programmed:
// it waits for the run, and the operator is told why.
LRESULT CTarrowDlg::OnQueryEndSession(WPARAM, LPARAM)
{
    return m_bRunning ? FALSE : TRUE;
}

LRESULT CTarrowDlg::OnEndSession(WPARAM ending, LPARAM)
{
    // The process may be ended as soon as this returns: the tool must be
    // gone by then.
    if (ending && m_bRunning) {
        m_session.CancelNow();
        OnExit();
    }
    return 0;
}

void CTarrowDlg::OnRunStarted()
{
    ::ShutdownBlockReasonCreate(m_hWnd, L"正在操作器件，请等待当前操作完成。");
    m_taskbar.ShowRunning();
}

void CTarrowDlg::OnRunEnded()
{
    ::ShutdownBlockReasonDestroy(m_hWnd);
    m_taskbar.ShowRunEnded();
}

void CTarrowDlg::OnExit()
{
    if (m_bRunning)
        m_session.Cancel();
    OnCancel();
}

void CTarrowDlg::AppendLog(const std::wstring& text, bool newLine)
{
    m_logPane.Append(text, newLine);
}

void CTarrowDlg::AppendWorkerOutput(const char* bytes, size_t length)
{
    m_logPane.AppendOutput(bytes, length);
}

BOOL CTarrowDlg::RunWorker(const std::wstring& commandLine)
{
    return m_session.Run(commandLine);
}

// Program, Verify and Erase: each runs the back-end tool once on the file
// named in the file box, with the action buttons greyed out meanwhile.

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
    return m_session.RunDeviceAction(action, GetDlgItemText(IDC_FILE_PATH));
}

// Browse: pick the file for the device actions; an STP file is first
// converted into a DAT file of the same name beside it.
void CTarrowDlg::OnBrowse()
{
    CFileDialog dialog(L"dat", L"", OFN_HIDEREADONLY, kFileFilter, this);
    if (dialog.DoModal() == IDOK)
        TakeChosenFile(dialog.GetPathName());
}

void CTarrowDlg::TakeChosenFile(const std::wstring& path)
{
    if (!ConversionCheck::IsStpPath(path)) {
        SetDlgItemText(IDC_FILE_PATH, path);
        return;
    }

    const std::wstring datPath = ConversionCheck::DatPathFor(path);
    if (::GetFileAttributesW(datPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        const std::wstring prompt = L"文件\"" + datPath
            + L"\"已存在！\r\n转换文件会覆盖现有的，是否继续转换文件？\r\n"
              L"按“否”使用已存在的文件！";
        switch (MessageBox(prompt, nullptr, MB_YESNOCANCEL)) {
        case IDYES:
            break;
        case IDNO:
            SetDlgItemText(IDC_FILE_PATH, datPath);
            return;
        case IDCANCEL:
            AppendLog(L"操作取消！", true);
            return;
        default:
            return;
        }
    }

    if (m_session.ConvertStpFile(path, datPath))
        SetDlgItemText(IDC_FILE_PATH, datPath);
}

LRESULT CTarrowDlg::OnDropFiles(WPARAM wParam, LPARAM)
{
    // The drop's memory goes back at once, not after a conversion.
    const std::wstring path = DroppedFiles(reinterpret_cast<HDROP>(wParam)).First();
    // While a box of ours is up the window is disabled and Browse out of
    // reach; a drop then would open a second box over the first.
    if (!path.empty() && ::IsWindowEnabled(m_hWnd))
        TakeChosenFile(path);
    return 0;
}

// A long save of the log shows on the taskbar too, for an operator who has
// moved to another program meanwhile.
LRESULT CTarrowDlg::OnNotify(WPARAM, LPARAM lParam)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->hwndFrom == m_log.GetSafeHwnd() && header->code == LogViewMessages::kSaveProgress)
        m_taskbar.ShowSaveProgress(reinterpret_cast<const LogViewMessages::SaveProgress*>(lParam)->percent);
    else
        Default();
    return 0;
}

LRESULT CTarrowDlg::OnOpenFileOnceShown(WPARAM, LPARAM)
{
    const std::wstring path = std::move(m_strFileToOpen);
    m_strFileToOpen.clear();
    if (!path.empty())
        TakeChosenFile(path);
    return 0;
}
