#pragma once

#include "WorkerRunner.h"

#include <string>

class RunListener;
class ToolLog;

// The tool operations behind one window: where the two tools are, the one
// run that may go on at a time, what a device action and a conversion do.
// It knows nothing of windows and reports only through its log; it is also
// the one place that sees every run start and end.
class ToolSession {
public:
    explicit ToolSession(ToolLog& log);

    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;

    // The tools sit beside the program, given as its full path: its folder up
    // to the last backslash, or none at all when the path has no backslash,
    // which leaves the tools bare names.
    void LocateTools(const std::wstring& programPath);
    const std::wstring& AppDir() const { return m_appDir; }
    const std::wstring& ProgrammerPath() const { return m_programmerPath; }
    const std::wstring& ConverterPath() const { return m_converterPath; }

    // True while a run goes on, from its start to its end. A reference, so the
    // window can keep it under a name of its own.
    const bool& Running() const { return m_running; }
    // Stops the run going on: the tool, with whatever it started, is
    // terminated on the runner's next turn. Nothing happens when no run goes
    // on.
    void Cancel();
    // The same, but the tool and what it started are terminated before this
    // returns: for when the program may be ended at any moment after it, as
    // when the session ends.
    void CancelNow();

    // Who is told of each run's start and end; none by default.
    void SetRunListener(RunListener* listener) { m_listener = listener; }

    // Runs one tool with the given command line and returns when its run is
    // over; the machine does not go to sleep meanwhile. False if nothing was
    // started: during another run the request is refused without a word; a
    // tool that cannot be started the log reports.
    bool Run(const std::wstring& commandLine);

    // Runs the programmer with the option on the file, named exactly as the
    // operator gave it: the same text is tested and handed to the tool. False
    // if nothing of that name exists ("文件不存在！", no run), true otherwise,
    // whatever the run then does.
    bool RunDeviceAction(const std::wstring& option, const std::wstring& file);

    // Runs the converter and judges its run by what this run printed alone:
    // true when its last line that is not blank carries the marker. A run
    // that could not start is a failure; a failure is logged
    // ("STP文件转换失败！").
    bool ConvertStpFile(const std::wstring& stpPath, const std::wstring& datPath);

private:
    ToolLog& m_log;
    RunListener* m_listener = nullptr;
    WorkerRunner m_runner;
    std::wstring m_appDir;
    std::wstring m_programmerPath;
    std::wstring m_converterPath;
    bool m_running = false;
};
