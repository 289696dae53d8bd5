#pragma once

#include <UniqueAny.h>

#include <windows.h>

// Owns a GDI font and deletes it with itself. Controls given the font only
// borrow it, so the owner must outlive them.
class CFont {
public:
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
        BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
        const wchar_t* faceName);

    HFONT GetSafeHandle() const { return m_font.get(); }
    operator HFONT() const { return m_font.get(); }

private:
    UniqueFont m_font;
};
