#pragma once

#include <windows.h>

#include <vector>

// The one handle a child may inherit, as a process attribute list for
// CreateProcessW (STARTUPINFOEXW): without it a child inherits every
// inheritable handle the program holds at that moment, whichever thread made
// it, and any of them it holds may keep a pipe or a file open for as long as
// the child lives.
class HandleInheritList {
public:
    explicit HandleInheritList(HANDLE handle);
    ~HandleInheritList();

    HandleInheritList(const HandleInheritList&) = delete;
    HandleInheritList& operator=(const HandleInheritList&) = delete;

    // Null where the platform could not make the list.
    LPPROC_THREAD_ATTRIBUTE_LIST Get() { return m_made ? List() : nullptr; }

private:
    LPPROC_THREAD_ATTRIBUTE_LIST List() { return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_memory.data()); }

    // The list points at it: it stays where it is for the list's life.
    HANDLE m_handle;
    std::vector<unsigned char> m_memory;
    bool m_initialised = false;
    bool m_made = false;
};
