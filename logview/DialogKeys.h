#pragma once

#include <UniqueAny.h>

#include <windows.h>

// Tab, Enter and Esc in a modeless box, whichever loop takes the thread's
// messages: the modal loop of the window it belongs to, a tool's run, or a
// loop that knows nothing of the box. A hook on the thread's messages gives
// each keystroke meant for the box to the dialog manager first, as a loop
// of the box's own would (IsDialogMessage).
class DialogKeys {
public:
    explicit DialogKeys(HWND box);
    ~DialogKeys();
    DialogKeys(const DialogKeys&) = delete;
    DialogKeys& operator=(const DialogKeys&) = delete;

private:
    static LRESULT CALLBACK OnMessage(int code, WPARAM removed, LPARAM message);

    HWND m_box;
    UniqueHook m_hook;
};
