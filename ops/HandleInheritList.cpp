#include "HandleInheritList.h"

HandleInheritList::HandleInheritList(HANDLE handle)
    : m_handle(handle)
{
    // The first call only reports the size the list needs, as a failure.
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    if (size == 0)
        return;
    m_memory.resize(size);
    m_initialised = ::InitializeProcThreadAttributeList(List(), 1, 0, &size) != FALSE;
    m_made = m_initialised
        && ::UpdateProcThreadAttribute(
            List(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &m_handle, sizeof(m_handle), nullptr, nullptr);
}

HandleInheritList::~HandleInheritList()
{
    if (m_initialised)
        ::DeleteProcThreadAttributeList(List());
}
