#pragma once

#include "SaveJob.h"

#include <windows.h>

#include <optional>
#include <string>

// The operator's side of saving the log: the platform's save dialog, owned
// by the window the view belongs to and titled "保存日志", proposing a name
// of the moment; and, once the save is over, what could not be written, in a
// message box: "日志保存失败：", the path and the system's reason.
class SaveCommand {
public:
    // appName: the application's name, which captions the message box and
    // starts the proposed file name.
    SaveCommand(HWND owner, const std::wstring& appName)
        : m_owner(owner)
        , m_appName(appName)
    {
    }

    // The file the operator chose, or nothing.
    std::optional<std::wstring> AskPath() const;
    // Says why a save failed; nothing for a save that worked or was cancelled.
    void Report(SaveJob::State state, DWORD error, const std::wstring& path) const;

    // "<app>-YYYYMMDD-HHMMSS.log", for that local time.
    static std::wstring ProposedName(const std::wstring& appName, const SYSTEMTIME& local);

private:
    HWND m_owner;
    std::wstring m_appName;
};
