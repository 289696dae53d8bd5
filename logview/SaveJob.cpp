#include "SaveJob.h"

#include "DialogTemplate.h"

#include <utility>

namespace {

// The writer's thread wakes the job's window with this, now and then while
// it writes and once when it is over.
constexpr UINT kWritten = WM_APP + 1;
constexpr UINT_PTR kShowTimer = 1;

const DialogTemplate& ProgressTemplate()
{
    static const DialogTemplate box = [] {
        DialogTemplate made(L"保存日志", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 160, 50);
        made.AddControl(L"STATIC", L"正在保存日志……", 0xFFFF, SS_LEFT, 8, 8, 100, 8);
        made.AddControl(L"STATIC", L"0%", SaveJob::kPercentId, SS_LEFT, 8, 20, 100, 8);
        made.AddControl(L"BUTTON", L"取消", IDCANCEL, BS_DEFPUSHBUTTON | WS_TABSTOP, 104, 30, 50, 14);
        return made;
    }();
    return box;
}

} // namespace

SaveJob::SaveJob(
    const LogText& text, std::mutex& textLock, std::wstring path, HWND owner, Options options, Listener listener)
    : m_path(std::move(path))
    , m_listener(std::move(listener))
    , m_showAfterMs(options.showAfterMs)
{
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    m_window.reset(::CreateDialogIndirectParamW(
        instance, ProgressTemplate().Get(), owner, DialogProc, reinterpret_cast<LPARAM>(this)));
    if (!m_window) {
        End(State::Failed, ::GetLastError());
        return;
    }
    m_keys = std::make_unique<DialogKeys>(m_window.get());
    const HWND window = m_window.get();
    m_writer = std::make_unique<SaveWriter>(
        text, textLock, m_path, options.writing, [window] { ::PostMessageW(window, kWritten, 0, 0); });
    if (!m_writer->Start()) {
        End(State::Failed, m_writer->Error());
        return;
    }
    ::SetTimer(window, kShowTimer, m_showAfterMs, nullptr);
}

SaveJob::~SaveJob()
{
    Cancel();
}

void SaveJob::Cancel()
{
    if (m_state != State::Running)
        return;
    m_writer->Abandon();
    // The rename may have been under way already, and then the file is saved.
    End(m_writer->Error() == ERROR_SUCCESS ? State::Saved : State::Cancelled);
}

void SaveJob::ShowWindowNow(bool activate)
{
    if (m_state != State::Running || !m_window)
        return;
    ::KillTimer(m_window.get(), kShowTimer);
    if (!m_shown) {
        // Over the middle of the window it belongs to.
        RECT ownerRect{};
        RECT boxRect{};
        ::GetWindowRect(::GetWindow(m_window.get(), GW_OWNER), &ownerRect);
        ::GetWindowRect(m_window.get(), &boxRect);
        const int width = boxRect.right - boxRect.left;
        const int height = boxRect.bottom - boxRect.top;
        ::SetWindowPos(m_window.get(), nullptr, (ownerRect.left + ownerRect.right - width) / 2,
            (ownerRect.top + ownerRect.bottom - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_shown = true;
    }
    ::ShowWindow(m_window.get(), activate ? SW_SHOW : SW_SHOWNA);
    if (activate)
        ::SetActiveWindow(m_window.get());
    ShowPercent();
}

void SaveJob::ShowPercent()
{
    if (!m_shown || !m_window)
        return;
    const size_t end = m_writer->End();
    const int percent = end == 0 ? 100 : static_cast<int>(m_writer->Written() * 100.0 / end);
    if (percent == m_percent)
        return;
    m_percent = percent;
    ::SetDlgItemTextW(m_window.get(), kPercentId, (std::to_wstring(percent) + L"%").c_str());
    if (m_listener.progress)
        m_listener.progress(percent);
}

void SaveJob::End(State state, DWORD error)
{
    m_state = state;
    m_error = error;
    m_writer.reset();
    m_keys.reset();
    if (const HWND window = m_window.release()) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        ::DestroyWindow(window);
    }
    if (m_shown && m_listener.progress)
        m_listener.progress(-1);
    if (m_listener.ended)
        m_listener.ended();
}

INT_PTR CALLBACK SaveJob::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        return FALSE;
    }
    auto* job = reinterpret_cast<SaveJob*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (job == nullptr)
        return FALSE;
    if (message == WM_NCDESTROY) {
        // Gone with the window it belongs to, as when the program ends: the
        // save goes with it.
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        job->m_keys.reset();
        job->m_window.release();
        job->Cancel();
        return FALSE;
    }
    return job->OnMessage(message, wParam);
}

INT_PTR SaveJob::OnMessage(UINT message, WPARAM wParam)
{
    switch (message) {
    case kWritten:
        if (m_writer->Over()) {
            const DWORD error = m_writer->Error();
            End(m_writer->Overtaken()        ? State::Overtaken
                    : error == ERROR_SUCCESS ? State::Saved
                                             : State::Failed,
                error);
            return TRUE;
        }
        ShowPercent();
        return TRUE;
    case WM_TIMER:
        if (wParam == kShowTimer)
            ShowWindowNow(false);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            Cancel();
        return TRUE;
    case WM_CLOSE:
        Cancel();
        return TRUE;
    case WM_QUERYENDSESSION:
        ::SetWindowLongPtrW(m_window.get(), DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_ENDSESSION:
        // The process may be ended as soon as this returns.
        if (wParam)
            Cancel();
        return TRUE;
    default:
        return FALSE;
    }
}
