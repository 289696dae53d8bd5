#include "TaskbarButton.h"

#include <utility>

void TaskbarButton::Attach(HWND window)
{
    m_window = window;
    m_buttonCreated = ::RegisterWindowMessageW(L"TaskbarButtonCreated");
    // The shell runs at the operator's own level; should Tarrow run above it
    // (as administrator), the announcement would otherwise be filtered out.
    if (m_buttonCreated)
        ::ChangeWindowMessageFilterEx(m_window, m_buttonCreated, MSGFLT_ALLOW, nullptr);
}

bool TaskbarButton::OnMessage(UINT message)
{
    if (!m_buttonCreated || message != m_buttonCreated)
        return false;
    // The file dialog enters the apartment too, for its own time only;
    // entries nest, so this one keeps it for the window's life.
    if (!m_apartment)
        m_apartment = EnterSingleThreadedApartment();
    // A new button (the shell restarted) needs a list object of its own.
    m_list.reset();
    ComPtr<ITaskbarList3> list;
    if (SUCCEEDED(
            ::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, list.put_void()))
        && SUCCEEDED(list->HrInit()))
        m_list = std::move(list);
    ApplyProgress();
    return true;
}

void TaskbarButton::ShowRunning()
{
    m_running = true;
    ApplyProgress();
}

void TaskbarButton::ShowRunEnded()
{
    m_running = false;
    ApplyProgress();
    if (!m_window || !::IsWindowVisible(m_window))
        return;
    // Tarrow is in front when any of its windows is, a box it shows included.
    const HWND front = ::GetForegroundWindow();
    if (front && ::GetWindowThreadProcessId(front, nullptr) == ::GetCurrentThreadId())
        return;
    FLASHWINFO flash = {};
    flash.cbSize = sizeof(flash);
    flash.hwnd = m_window;
    flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
    ::FlashWindowEx(&flash);
}

void TaskbarButton::ShowSaveProgress(int percent)
{
    m_savePercent = percent;
    ApplyProgress();
}

void TaskbarButton::ApplyProgress() const
{
    if (!m_list)
        return;
    if (m_savePercent >= 0) {
        m_list->SetProgressState(m_window, TBPF_NORMAL);
        m_list->SetProgressValue(m_window, static_cast<ULONGLONG>(m_savePercent), 100);
        return;
    }
    m_list->SetProgressState(m_window, m_running ? TBPF_INDETERMINATE : TBPF_NOPROGRESS);
}
