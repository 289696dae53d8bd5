#include "CFont.h"

CFont::~CFont()
{
    if (m_hFont)
        ::DeleteObject(m_hFont);
}

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
    BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
    const wchar_t* faceName)
{
    HFONT font = ::CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
        outPrecision, clipPrecision, quality, pitchAndFamily, faceName);
    if (!font)
        return FALSE;
    if (m_hFont)
        ::DeleteObject(m_hFont);
    m_hFont = font;
    return TRUE;
}
