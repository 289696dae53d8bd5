#pragma once

#include <windows.h>

// Selects a GDI object into a device context for one scope and puts the
// previous one back, so no font or bitmap stays selected into a DC that
// outlives the call (an object still selected cannot be deleted by its owner).
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object)
        : m_dc(dc)
        , m_previous(::SelectObject(dc, object))
    {
    }
    ~ScopedSelect()
    {
        if (m_previous != nullptr && m_previous != HGDI_ERROR)
            ::SelectObject(m_dc, m_previous);
    }

    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};
