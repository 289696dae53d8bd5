#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

// Sole owner of one Win32 handle of any kind: Close(handle) runs exactly once,
// when the owner is reset or destroyed, unless the handle was released.
// Move-only, so ownership can be handed on but never shared by accident.
//
// Invalid is the value the creating call reports failure with (0 for most
// kinds, -1 for CreateFile and FindFirstFile); an owner holding it is empty.
// Close must be an ordinary function of ours: the address of a function
// imported from a DLL is not a constant a template can take.
template <typename Handle, void (*Close)(Handle), std::intptr_t Invalid = 0> class UniqueAny {
public:
    UniqueAny() = default;
    explicit UniqueAny(Handle handle)
        : m_handle(handle)
    {
    }
    ~UniqueAny() { reset(); }

    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept
        : m_handle(other.release())
    {
    }
    UniqueAny& operator=(UniqueAny&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    static Handle invalid() { return (Handle)Invalid; }

    Handle get() const { return m_handle; }
    bool valid() const { return m_handle != invalid(); }
    explicit operator bool() const { return valid(); }

    // For out-parameters of creating calls; whatever was held is closed first.
    Handle* put()
    {
        reset();
        return &m_handle;
    }

    Handle release() { return std::exchange(m_handle, invalid()); }

    void reset(Handle handle = invalid())
    {
        const Handle old = std::exchange(m_handle, handle);
        if (old != invalid())
            Close(old);
    }

private:
    Handle m_handle = invalid();
};

// The close functions, one per kind of handle.
namespace unique_any_close {

inline void Kernel(HANDLE handle)
{
    ::CloseHandle(handle);
}
inline void Find(HANDLE handle)
{
    ::FindClose(handle);
}
template <typename Object> void GdiObject(Object object)
{
    ::DeleteObject(object);
}
inline void Dc(HDC dc)
{
    ::DeleteDC(dc);
}
inline void Icon(HICON icon)
{
    ::DestroyIcon(icon);
}
inline void Menu(HMENU menu)
{
    ::DestroyMenu(menu);
}
inline void Global(HGLOBAL memory)
{
    ::GlobalFree(memory);
}
template <typename Pointer> void Local(Pointer memory)
{
    ::LocalFree(reinterpret_cast<HLOCAL>(memory));
}
inline void Module(HMODULE module)
{
    ::FreeLibrary(module);
}
inline void Hook(HHOOK hook)
{
    ::UnhookWindowsHookEx(hook);
}
inline void View(void* view)
{
    ::UnmapViewOfFile(view);
}
inline void Window(HWND window)
{
    ::DestroyWindow(window);
}

} // namespace unique_any_close

// Processes, threads, pipes, events, jobs, mappings: failure is null.
using UniqueHandle = UniqueAny<HANDLE, unique_any_close::Kernel>;
// CreateFileW reports failure as INVALID_HANDLE_VALUE.
using UniqueFile = UniqueAny<HANDLE, unique_any_close::Kernel, -1>;
using UniqueFind = UniqueAny<HANDLE, unique_any_close::Find, -1>;
template <typename Object> using UniqueGdi = UniqueAny<Object, unique_any_close::GdiObject<Object>>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniqueDc = UniqueAny<HDC, unique_any_close::Dc>;
using UniqueIcon = UniqueAny<HICON, unique_any_close::Icon>;
using UniqueMenu = UniqueAny<HMENU, unique_any_close::Menu>;
using UniqueGlobal = UniqueAny<HGLOBAL, unique_any_close::Global>;
// Memory the system hands over for LocalFree (FormatMessageW, CommandLineToArgvW).
template <typename Pointer> using UniqueLocal = UniqueAny<Pointer, unique_any_close::Local<Pointer>>;
using UniqueModule = UniqueAny<HMODULE, unique_any_close::Module>;
using UniqueHook = UniqueAny<HHOOK, unique_any_close::Hook>;
// A view of a file mapping (MapViewOfFile).
using UniqueView = UniqueAny<void*, unique_any_close::View>;
// A window its maker must destroy before its thread ends, e.g. one a
// message of another process may still find.
using UniqueWindow = UniqueAny<HWND, unique_any_close::Window>;
