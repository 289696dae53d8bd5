#pragma once

#include <windows.h>

#include <utility>

// Sole owner of a kernel handle: closes it exactly once, on every path.
// Move-only, so ownership can be handed on but never shared by accident.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle)
        : m_handle(handle)
    {
    }
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept
        : m_handle(other.release())
    {
    }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }

    // For out-parameters of creating calls; whatever was held is closed first.
    HANDLE* put()
    {
        reset();
        return &m_handle;
    }

    HANDLE release() { return std::exchange(m_handle, nullptr); }

    void reset(HANDLE handle = nullptr)
    {
        if (valid())
            ::CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle = nullptr;
};
