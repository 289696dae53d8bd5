#pragma once

#include <windows.h>

// Sole owner of a kernel handle (file, pipe, process); closes it exactly once.
// Accepts both null and INVALID_HANDLE_VALUE as "nothing owned", since Win32
// reports failure with either depending on the call.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept;
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }

    void reset(HANDLE handle = nullptr);
    HANDLE release();

private:
    HANDLE handle_ = nullptr;
};
