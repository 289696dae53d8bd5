#pragma once

#include <UiaCore.h>

#include <windows.h>

#include <string>
#include <vector>

// uiautomationcore.dll's functions as the provider finds them, noting what
// it raises; no notifications, as under Wine, unless asked for.
struct RecordingCore {
    static const UiaCore& Get(bool notifications);
    static void Clear();

    static inline bool listening = true;
    static inline std::vector<EVENTID> events;
    static inline std::vector<std::wstring> notifications;
    static inline std::vector<std::wstring> calls; // returned, disconnected
};
