#include "DialogTemplate.h"

DialogTemplate::DialogTemplate(const wchar_t* caption, DWORD style, short width, short height)
{
    m_words.reserve(512);
    AddDword(style | DS_SETFONT);
    AddDword(0); // extended style
    m_words.push_back(0); // item count, counted as controls are added
    m_words.push_back(0); // x
    m_words.push_back(0); // y
    m_words.push_back(static_cast<WORD>(width));
    m_words.push_back(static_cast<WORD>(height));
    m_words.push_back(0); // no menu
    m_words.push_back(0); // the dialog's own class
    AddString(caption);
    m_words.push_back(9); // points
    AddString(L"MS Shell Dlg");
}

void DialogTemplate::AddControl(
    const wchar_t* windowClass, const wchar_t* text, WORD id, DWORD style, short x, short y, short width, short height)
{
    AlignToDword();
    AddDword(style | WS_CHILD | WS_VISIBLE);
    AddDword(0);
    m_words.push_back(static_cast<WORD>(x));
    m_words.push_back(static_cast<WORD>(y));
    m_words.push_back(static_cast<WORD>(width));
    m_words.push_back(static_cast<WORD>(height));
    m_words.push_back(id);
    AddString(windowClass);
    AddString(text);
    m_words.push_back(0); // no creation data
    ++m_words[4]; // the template's count of items
}

void DialogTemplate::AddString(const wchar_t* text)
{
    for (; *text != L'\0'; ++text)
        m_words.push_back(static_cast<WORD>(*text));
    m_words.push_back(0);
}

void DialogTemplate::AddDword(DWORD value)
{
    m_words.push_back(LOWORD(value));
    m_words.push_back(HIWORD(value));
}

void DialogTemplate::AlignToDword()
{
    if (m_words.size() % 2 != 0)
        m_words.push_back(0);
}
