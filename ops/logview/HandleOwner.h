#pragma once

#include <utility>

// Sole owner of one Win32 handle of any kind: Close(handle) runs exactly once,
// when the owner is reset or destroyed, unless the handle was released.
// Close must be an ordinary function: the address of a function imported from
// a DLL is not a constant a template can take.
template <typename Handle, void (*Close)(Handle)> class HandleOwner {
public:
    HandleOwner() = default;
    explicit HandleOwner(Handle handle)
        : m_handle(handle)
    {
    }
    ~HandleOwner() { reset(); }

    HandleOwner(const HandleOwner&) = delete;
    HandleOwner& operator=(const HandleOwner&) = delete;
    HandleOwner(HandleOwner&& other) noexcept
        : m_handle(other.release())
    {
    }
    HandleOwner& operator=(HandleOwner&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Handle(); }

    Handle release() { return std::exchange(m_handle, Handle()); }

    void reset(Handle handle = Handle())
    {
        const Handle old = std::exchange(m_handle, handle);
        if (old != Handle())
            Close(old);
    }

private:
    Handle m_handle = Handle();
};
