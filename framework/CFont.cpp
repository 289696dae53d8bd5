#include "CFont.h"

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
    BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
    const wchar_t* faceName)
{
    HFONT font = ::CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
        outPrecision, clipPrecision, quality, pitchAndFamily, faceName);
    if (!font)
        return FALSE;
    m_font.reset(font);
    return TRUE;
}
