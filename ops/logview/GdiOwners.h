#pragma once

#include "HandleOwner.h"

#include <windows.h>

// The handle kinds the log view creates, each with the call that frees it.

inline void DeleteDeviceContext(HDC dc) { ::DeleteDC(dc); }
inline void DeleteBitmap(HBITMAP bitmap) { ::DeleteObject(bitmap); }
inline void DestroyPopupMenu(HMENU menu) { ::DestroyMenu(menu); }
inline void FreeGlobalMemory(HGLOBAL memory) { ::GlobalFree(memory); }

using MemoryDcOwner = HandleOwner<HDC, DeleteDeviceContext>;
using BitmapOwner = HandleOwner<HBITMAP, DeleteBitmap>;
using MenuOwner = HandleOwner<HMENU, DestroyPopupMenu>;
using GlobalMemoryOwner = HandleOwner<HGLOBAL, FreeGlobalMemory>;
