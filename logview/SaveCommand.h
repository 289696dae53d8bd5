#pragma once

#include "LogText.h"

#include <windows.h>

#include <string>

// The operator's command to save the log: the platform's save dialog, owned
// by the window the view belongs to and titled "保存日志", proposing a name
// of the moment; then the file, written by LogSaver. What cannot be written
// is said in a message box: "日志保存失败：", the path and the system's
// reason. Saving changes nothing of the log, its selection or its scrolling.
class SaveCommand {
public:
    // appName: the application's name, which captions the message box and
    // starts the proposed file name.
    SaveCommand(HWND owner, const std::wstring& appName)
        : m_owner(owner)
        , m_appName(appName)
    {
    }

    void Run(const LogText& text) const;

    // "<app>-YYYYMMDD-HHMMSS.log", for that local time.
    static std::wstring ProposedName(const std::wstring& appName, const SYSTEMTIME& local);

private:
    HWND m_owner;
    std::wstring m_appName;
};
