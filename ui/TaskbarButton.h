#pragma once

#include <ComPtr.h>
#include <UniqueAny.h>

#include <windows.h>
#include <shobjidl.h>

// The main window's taskbar button tells the operator what the tools do:
// it shows a progress bar that runs back and forth while a tool runs, and
// flashes when a run ends behind another program's window, until the
// operator comes back. A long save of the log shows how far it is instead,
// for as long as it goes. Where the shell offers no taskbar list (or never
// announces the button), the progress bar simply stays away.
class TaskbarButton {
public:
    TaskbarButton() = default;

    TaskbarButton(const TaskbarButton&) = delete;
    TaskbarButton& operator=(const TaskbarButton&) = delete;

    // The top-level window whose button this is; call once it exists.
    void Attach(HWND window);

    // The shell announces the button with a message of its own, again after
    // it restarts: true if this is it, and then it has been handled.
    bool OnMessage(UINT message);

    void ShowRunning();
    void ShowRunEnded();
    // percent: how far a save of the log is; -1 once it is over.
    void ShowSaveProgress(int percent);

private:
    void ApplyProgress() const;

    HWND m_window = nullptr;
    UINT m_buttonCreated = 0;
    bool m_running = false;
    int m_savePercent = -1;
    // Entered when the button is first announced and held for as long as the
    // window's list object may be used; declared before it, so it goes last.
    UniqueApartment m_apartment;
    ComPtr<ITaskbarList3> m_list;
};
