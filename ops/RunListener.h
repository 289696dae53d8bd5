#pragma once

// Told when a tool run begins and when it is over, so that whatever shows the
// program's state beyond the log (the window, the taskbar, the session's end)
// can follow it. Both calls come on the user-interface thread, in pairs.
class RunListener {
public:
    virtual void OnRunStarted() = 0;
    virtual void OnRunEnded() = 0;

protected:
    ~RunListener() = default;
};
