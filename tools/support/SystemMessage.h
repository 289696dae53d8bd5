#pragma once

#include <windows.h>

#include <string>

// "系统错误 5：<the system's own text>", for messages that end up in the log pane.
std::wstring systemMessage(DWORD error);
