#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A dialog template made in memory, for a box of the view's own: a library
// has no resource script of its own to put one in. Sizes are in dialog
// units, and the font is the shell's, so the box scales as template boxes do.
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* caption, DWORD style, short width, short height);

    void AddControl(const wchar_t* windowClass, const wchar_t* text, WORD id, DWORD style, short x, short y,
        short width, short height);
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void AddString(const wchar_t* text);
    void AddDword(DWORD value);
    void AlignToDword();

    // DWORD-aligned as the template's items must be: the vector's own
    // allocation is, and items are padded within it.
    std::vector<WORD> m_words;
};
