#pragma once

#include "DialogKeys.h"
#include "LogText.h"
#include "SaveWriter.h"

#include <UniqueAny.h>

#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// One save of the log that holds up nothing: a thread of its own writes the
// file (SaveWriter), so a tool's output keeps reaching the log while it is
// written. The file holds the log as it stood when the job began, with a
// byte-order mark; what is appended meanwhile is not in it.
//
// A save still going after a second shows a small window, "保存日志", with
// how far it is and 取消; cancelling it, the window it belongs to going away
// (Exit) and the end of the session leave the old file as it was and no
// temporary file.
class SaveJob {
public:
    enum class State {
        Running,
        Saved,
        Failed,
        Cancelled,
        // The log was changed other than at its end while it was saved.
        Overtaken,
    };

    struct Options {
        SaveWriter::Options writing;
        // How long a save goes before its window shows.
        UINT showAfterMs = 1000;
    };

    // Told on the window's thread: progress, in percent, while the window
    // shows (-1 once the job is over, if it showed); ended once the job is over.
    struct Listener {
        std::function<void(int percent)> progress;
        std::function<void()> ended;
    };

    // The control ids within the window, for whoever drives it from outside.
    enum Id : WORD { kPercentId = 1001 };

    // owner: the window the job's window belongs to; textLock: what whoever
    // changes the text holds meanwhile (SaveWriter).
    SaveJob(
        const LogText& text, std::mutex& textLock, std::wstring path, HWND owner, Options options, Listener listener);
    // Cancels a save still going.
    ~SaveJob();
    SaveJob(const SaveJob&) = delete;
    SaveJob& operator=(const SaveJob&) = delete;

    State Current() const { return m_state; }
    // Why the save failed, for State::Failed.
    DWORD Error() const { return m_error; }
    const std::wstring& Path() const { return m_path; }

    // Brings the window forward at once: a second save was asked for.
    void Show() { ShowWindowNow(true); }
    void Cancel();
    // The job's window, hidden until it shows; none once the job is over.
    HWND Window() const { return m_window.get(); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam);

    void ShowWindowNow(bool activate);
    void ShowPercent();
    // The job is over: in state, the window gone, the listener told.
    void End(State state, DWORD error = ERROR_SUCCESS);

    std::wstring m_path;
    Listener m_listener;
    UINT m_showAfterMs;
    State m_state = State::Running;
    DWORD m_error = ERROR_SUCCESS;
    bool m_shown = false;
    int m_percent = -1;
    UniqueWindow m_window;
    std::unique_ptr<DialogKeys> m_keys;
    std::unique_ptr<SaveWriter> m_writer;
};
