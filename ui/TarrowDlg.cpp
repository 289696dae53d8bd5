#include "TarrowDlg.h"

#include "AboutDlg.h"

#include <CDataExchange.h>
#include <CWinApp.h>
#include <ModulePath.h>
#include <WorkerRunner.h>

namespace {

// The log font is made once and kept for the life of the process, so the
// log never borrows a font that has gone.
CFont& LogFont()
{
    static CFont font;
    return font;
}

} // namespace

const CTarrowDlg::Route CTarrowDlg::kRoutes[] = {
    {WM_SYSCOMMAND, 0, nullptr, &CTarrowDlg::OnSysCommand},
    {WM_PAINT, 0, nullptr, &CTarrowDlg::OnPaint},
    {WM_QUERYDRAGICON, 0, nullptr, &CTarrowDlg::OnQueryDragIcon},
    {WM_COMMAND, IDOK, &CTarrowDlg::OnProgram, nullptr},
    {WM_COMMAND, IDC_ERASE, &CTarrowDlg::OnErase, nullptr},
    {WM_COMMAND, IDC_VERIFY, &CTarrowDlg::OnVerify, nullptr},
    {WM_COMMAND, IDC_BROWSE, &CTarrowDlg::OnBrowse, nullptr},
    {WM_COMMAND, IDCANCEL, &CTarrowDlg::OnExit, nullptr},
};

CTarrowDlg::CTarrowDlg(CWnd* parent)
    : CDialog(IDD, parent)
    , m_hIcon(::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
    , m_bRunning(0)
    , m_logPane(m_log)
{
}

bool CTarrowDlg::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    return Dispatch(kRoutes, message, wParam, lParam, result);
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

    const std::wstring exePath = ModuleFileName(nullptr);
    const size_t slash = exePath.rfind(L'\\');
    m_strAppDir = slash == std::wstring::npos ? std::wstring() : exePath.substr(0, slash + 1);
    m_strProgrammerPath = m_strAppDir + L"burnkit.exe";
    m_strConverterPath = m_strAppDir + L"stpconv.exe";

    CreateLogo();

    CFont& font = LogFont();
    if (!font.GetSafeHandle())
        font.CreateFont(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, FF_SWISS, L"新宋体");
    m_log.SetFont(font, TRUE);
    m_logPane.RemoveLengthLimit();
    m_log.SetWindowText(L"");
    return TRUE;
}

void CTarrowDlg::CreateLogo()
{
    const RECT rect = {10, 10, 130, 130};
    m_logo.Create(L"", WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, rect, this, static_cast<UINT>(-1));
    HICON logo = static_cast<HICON>(
        ::LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_LOGO), IMAGE_ICON, 120, 120, LR_DEFAULTCOLOR));
    if (logo)
        m_logo.SetIcon(logo);
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

void CTarrowDlg::OnExit()
{
    if (m_bRunning)
        m_bRunning = 0;
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
    return WorkerRunner(m_bRunning, m_logPane).Run(commandLine);
}
