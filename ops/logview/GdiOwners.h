#pragma once

#include "HandleOwner.h"

#include <windows.h>

// The handle kinds the log view creates, each with the call that frees it.

inline void DeleteMemoryDc(HDC dc)
{
    ::DeleteDC(dc);
}
inline void DeleteBitmapObject(HBITMAP bitmap)
{
    ::DeleteObject(bitmap);
}
inline void DestroyMenuHandle(HMENU menu)
{
    ::DestroyMenu(menu);
}
inline void FreeGlobalMemory(HGLOBAL memory)
{
    ::GlobalFree(memory);
}

using MemoryDcOwner = HandleOwner<HDC, DeleteMemoryDc>;
using BitmapOwner = HandleOwner<HBITMAP, DeleteBitmapObject>;
using MenuOwner = HandleOwner<HMENU, DestroyMenuHandle>;
using GlobalMemoryOwner = HandleOwner<HGLOBAL, FreeGlobalMemory>;
