#pragma once

#include "UniqueAny.h"

#include <objbase.h>
#include <unknwn.h>

#include <utility>

// Owner of one reference to a COM object: Release runs exactly once.
template <typename Interface> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept
        : m_pointer(std::exchange(other.m_pointer, nullptr))
    {
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_pointer = std::exchange(other.m_pointer, nullptr);
        }
        return *this;
    }

    Interface* get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // For out-parameters of creating calls; whatever was held is released first.
    Interface** put()
    {
        reset();
        return &m_pointer;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    void reset()
    {
        if (Interface* old = std::exchange(m_pointer, nullptr))
            old->Release();
    }

private:
    Interface* m_pointer = nullptr;
};

namespace unique_any_close {

inline void Apartment(bool)
{
    ::CoUninitialize();
}
template <typename Pointer> void TaskMemory(Pointer memory)
{
    ::CoTaskMemFree(memory);
}

} // namespace unique_any_close

// The thread's entry into a COM apartment: a successful entry (true) is
// balanced when the owner goes, a failed one is not.
using UniqueApartment = UniqueAny<bool, unique_any_close::Apartment>;
inline UniqueApartment EnterSingleThreadedApartment()
{
    return UniqueApartment(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}
// Memory a COM call hands over for CoTaskMemFree.
template <typename Pointer> using UniqueTaskMemory = UniqueAny<Pointer, unique_any_close::TaskMemory<Pointer>>;
