#include "UniqueHandle.h"

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept
{
    if (this != &other)
        reset(other.release());
    return *this;
}

void UniqueHandle::reset(HANDLE handle)
{
    if (valid())
        CloseHandle(handle_);
    handle_ = handle;
}

HANDLE UniqueHandle::release()
{
    HANDLE h = handle_;
    handle_ = nullptr;
    return h;
}
