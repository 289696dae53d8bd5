#pragma once

#include "LogLayout.h"
#include "LogText.h"
#include "Selection.h"

#include <windows.h>

#include <optional>

// The answers to the edit control's read-only messages about the text, the
// selection and where characters are shown (WM_GETTEXT, EM_GETLINE,
// EM_LINEINDEX, EM_GETSEL, EM_POSFROMCHAR, ...), with the edit control's
// meaning for every argument, the odd ones included: what the program reads
// back and what other programs (screen readers' proxies among them) ask an
// edit control.
class EditQueries {
public:
    EditQueries(const LogText& text, const Selection& selection, const LogLayout& layout)
        : m_text(text)
        , m_selection(selection)
        , m_layout(layout)
    {
    }

    // Whether the answer to message depends on the layout, which must then
    // be up to date (scrolled sideways to the caret) before it is asked.
    static bool AsksLayout(UINT message);
    // Nothing if the message is not one of these queries.
    std::optional<LRESULT> Answer(UINT message, WPARAM wParam, LPARAM lParam) const;

    // The selection EM_SETSEL's arguments ask for: start -1 drops the
    // selection where the caret is; other positions are clamped to the text.
    Selection Requested(WPARAM start, LPARAM end) const;

private:
    LRESULT GetText(size_t capacity, wchar_t* buffer) const;
    LRESULT GetSelection(DWORD* start, DWORD* end) const;
    LRESULT GetLine(WPARAM lineIndex, wchar_t* buffer) const;
    LRESULT LineIndex(int line) const;
    LRESULT LineLength(int position) const;
    LRESULT LineFromChar(int position) const;
    LRESULT PosFromChar(size_t position) const;
    LRESULT CharFromPos(POINT point) const;

    const LogText& m_text;
    const Selection& m_selection;
    LogLayout m_layout;
};
