#include "CDialog.h"

#include "CDataExchange.h"
#include "CWinApp.h"
#include "ModalStack.h"
#include "ModuleState.h"

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (!control.GetSafeHwnd())
        control.Attach(pDX->m_dialog->GetDlgItem(id));
}

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_templateId(templateId)
    , m_parent(parent)
{
}

CDialog::~CDialog()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal()
{
    // Like every modal box, a dialog without an explicit parent is owned by
    // the application's main window, unless it is that window.
    HWND owner = m_parent ? m_parent->GetSafeHwnd() : nullptr;
    CWinApp* app = AfxGetApp();
    if (!owner && app && app->m_pMainWnd && app->m_pMainWnd != this)
        owner = app->m_pMainWnd->GetSafeHwnd();

    m_modalResult = -1;
    HWND hwnd = ::CreateDialogParamW(
        AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_templateId), owner, DialogProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd)
        return -1;

    const bool disableOwner = owner && ::IsWindowEnabled(owner);
    if (disableOwner)
        ::EnableWindow(owner, FALSE);

    ModalStack::Push(*this, m_templateId);
    m_modalRunning = true;
    ::ShowWindow(hwnd, SW_SHOW);
    RunModalLoop();
    ModalStack::Pop();

    // Re-enable the owner before the dialog goes, so activation returns to it.
    if (disableOwner) {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    return m_modalResult;
}

void CDialog::RunModalLoop()
{
    MSG msg;
    while (m_modalRunning) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got == 0) {
            // Leave the quit request for the loop outside this one.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (IsHelpKey(msg)) {
            if (CWinApp* app = AfxGetApp())
                app->OnCmdMsg(ID_HELP);
            continue;
        }
        if (PreTranslateMessage(msg))
            continue;
        if (!m_hWnd || !::IsDialogMessageW(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

bool CDialog::IsHelpKey(const MSG& msg) const
{
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_F1)
        return false;
    if (::GetKeyState(VK_SHIFT) < 0 || ::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0)
        return false;
    return msg.hwnd == m_hWnd || ::IsChild(m_hWnd, msg.hwnd);
}

void CDialog::EndDialog(int result)
{
    m_modalResult = result;
    m_modalRunning = false;
    if (m_hWnd) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        // Wakes the modal loop if it is waiting for a message.
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
}

BOOL CDialog::OnInitDialog()
{
    CDataExchange dx(this);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialog::RouteMessage(UINT, WPARAM, LPARAM, LRESULT*)
{
    return false;
}

bool CDialog::PreTranslateMessage(const MSG&)
{
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    } else {
        dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!dialog)
        return FALSE;
    return dialog->HandleMessage(message, wParam, lParam);
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_NCDESTROY: {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd == this)
            app->m_pMainWnd = nullptr;
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        m_hWnd = nullptr;
        return FALSE;
    }
    default:
        break;
    }

    LRESULT result = 0;
    if (RouteMessage(message, wParam, lParam, &result)) {
        // These few return their value directly instead of through DWLP_MSGRESULT.
        switch (message) {
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }

    // OK and Cancel that no table row took: Enter, Esc and the close box.
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}
