#include "SaveJob.h"

#include "DialogTemplate.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// The writer's thread wakes the job's window with this, as buffers come free
// and once when it is over.
constexpr UINT kWritten = WM_APP + 1;
// The job goes on filling after other messages had their turn.
constexpr UINT kGoOn = WM_APP + 2;
constexpr UINT_PTR kShowTimer = 1;
// Longest stretch spent filling buffers before the thread's other messages
// (a tool's output among them) get their turn.
constexpr DWORD kSliceMs = 20;

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kByteOrderMarkBytes = 3;

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

SaveJob::SaveJob(const LogText& text, std::wstring path, HWND owner, Options options, Listener listener)
    : m_text(text)
    , m_path(std::move(path))
    , m_listener(std::move(listener))
    , m_showAfterMs(options.showAfterMs)
    , m_encoder(text, text.Length())
    , m_rewrites(text.Rewrites())
{
    // Every buffer must take the byte-order mark and the longest character.
    options.writing.bufferBytes
        = std::max(options.writing.bufferBytes, kByteOrderMarkBytes + LogEncoder::kLongestCharacter);
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    m_window.reset(::CreateDialogIndirectParamW(
        instance, ProgressTemplate().Get(), owner, DialogProc, reinterpret_cast<LPARAM>(this)));
    if (!m_window) {
        End(State::Failed, ::GetLastError());
        return;
    }
    m_keys = std::make_unique<DialogKeys>(m_window.get());
    const HWND window = m_window.get();
    m_writer
        = std::make_unique<WriterThread>(m_path, options.writing, [window] { ::PostMessageW(window, kWritten, 0, 0); });
    if (!m_writer->Start()) {
        End(State::Failed, m_writer->Error());
        return;
    }
    ::SetTimer(window, kShowTimer, m_showAfterMs, nullptr);
    Pump();
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

void SaveJob::Pump()
{
    const DWORD start = ::GetTickCount();
    while (m_state == State::Running && (!m_encoder.Done() || !m_markWritten)) {
        if (m_text.Rewrites() != m_rewrites) {
            m_writer->Abandon();
            End(State::Overtaken);
            return;
        }
        char* buffer = m_writer->FreeBuffer();
        if (buffer == nullptr)
            return; // the writer wakes the job once one is written
        size_t used = 0;
        if (!m_markWritten) {
            std::memcpy(buffer, kByteOrderMark, kByteOrderMarkBytes);
            used = kByteOrderMarkBytes;
            m_markWritten = true;
        }
        used += m_encoder.Fill(buffer + used, m_writer->BufferBytes() - used);
        m_writer->Queue(used);
        m_queuedEnds.push_back(m_encoder.Position());
        if (::GetTickCount() - start >= kSliceMs) {
            ::PostMessageW(m_window.get(), kGoOn, 0, 0);
            return;
        }
    }
    if (m_state == State::Running)
        m_writer->Finish();
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
    const size_t written = m_writer->Written();
    const size_t position = written == 0 ? 0 : m_queuedEnds[std::min(written, m_queuedEnds.size()) - 1];
    const int percent = m_encoder.End() == 0 ? 100 : static_cast<int>(position * 100.0 / m_encoder.End());
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
    m_queuedEnds = {};
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
            End(error == ERROR_SUCCESS ? State::Saved : State::Failed, error);
            return TRUE;
        }
        ShowPercent();
        Pump();
        return TRUE;
    case kGoOn:
        Pump();
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
