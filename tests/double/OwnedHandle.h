#pragma once

#include <windows.h>

#include <utility>

namespace testkit {

// A move-only owner for one Win32 handle; the Traits say what "no handle"
// looks like and how to close one.
template <typename Traits> class BasicOwnedHandle {
public:
    using Handle = typename Traits::Handle;

    BasicOwnedHandle() = default;
    explicit BasicOwnedHandle(Handle handle)
        : handle_(normalize(handle))
    {
    }
    ~BasicOwnedHandle() { reset(); }

    BasicOwnedHandle(BasicOwnedHandle&& other) noexcept
        : handle_(other.release())
    {
    }
    BasicOwnedHandle& operator=(BasicOwnedHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    BasicOwnedHandle(const BasicOwnedHandle&) = delete;
    BasicOwnedHandle& operator=(const BasicOwnedHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::none(); }

    Handle release() { return std::exchange(handle_, Traits::none()); }

    void reset(Handle handle = Traits::none())
    {
        Handle old = std::exchange(handle_, normalize(handle));
        if (old != Traits::none())
            Traits::close(old);
    }

private:
    // CreateFile and friends report failure as INVALID_HANDLE_VALUE, others as
    // null; holding only one "empty" value keeps every test simple.
    static Handle normalize(Handle handle) { return Traits::isInvalid(handle) ? Traits::none() : handle; }

    Handle handle_ = Traits::none();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle none() { return nullptr; }
    static bool isInvalid(Handle handle) { return handle == nullptr || handle == INVALID_HANDLE_VALUE; }
    static void close(Handle handle) { ::CloseHandle(handle); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle none() { return INVALID_HANDLE_VALUE; }
    static bool isInvalid(Handle handle) { return handle == nullptr || handle == INVALID_HANDLE_VALUE; }
    static void close(Handle handle) { ::FindClose(handle); }
};

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle none() { return nullptr; }
    static bool isInvalid(Handle handle) { return handle == nullptr; }
    static void close(Handle handle) { ::FreeLibrary(handle); }
};

struct HookTraits {
    using Handle = HHOOK;
    static Handle none() { return nullptr; }
    static bool isInvalid(Handle handle) { return handle == nullptr; }
    static void close(Handle handle) { ::UnhookWindowsHookEx(handle); }
};

using OwnedHandle = BasicOwnedHandle<KernelHandleTraits>;
using FindHandle = BasicOwnedHandle<FindHandleTraits>;
using OwnedModule = BasicOwnedHandle<ModuleTraits>;
using OwnedHook = BasicOwnedHandle<HookTraits>;

} // namespace testkit
