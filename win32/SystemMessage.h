#pragma once

#include <windows.h>

#include <string>

// "系统错误 5：<the system's own text>": why a call failed, in words an
// operator can read and report.
std::wstring SystemMessage(DWORD error);
