#pragma once

#include <LogView.h>
#include <UniqueAny.h>

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

// A hidden top-level window holding a log view and, of the same size and font,
// a real read-only multi-line edit control to compare it with.
class LogViewTestHost {
public:
    LogViewTestHost();
    LogViewTestHost(const LogViewTestHost&) = delete;
    LogViewTestHost& operator=(const LogViewTestHost&) = delete;

    HWND View() const { return m_view; }
    HWND Edit() const { return m_edit; }
    int LineHeight() const { return m_metrics.tmHeight; }
    int AverageCharWidth() const { return m_metrics.tmAveCharWidth; }
    int VisibleLines() const;

    // What the host answers WM_CTLCOLORSTATIC with from now on.
    void SetStaticBackground(COLORREF color);
    // The view's client area as drawn by WM_PRINTCLIENT, row by row.
    std::vector<COLORREF> RenderView() const;

private:
    static LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // The window answers WM_CTLCOLORSTATIC with the brush: declared first, it
    // outlives the window.
    UniqueBrush m_background;
    UniqueWindow m_window;
    HWND m_view = nullptr; // children, destroyed with the window
    HWND m_edit = nullptr;
    TEXTMETRICW m_metrics{};
};

// What the program does for every piece of output: the view appends at the
// end by itself, any other edit control is given the selection at the end.
void AppendLikeTheProgram(HWND control, const std::wstring& text);
std::wstring WindowText(HWND control);
// EM_GETLINE into a buffer of capacity characters.
std::wstring LineText(HWND control, int line, WORD capacity);
// WM_KEYDOWN with the given keys held down as far as GetKeyState can tell.
void PressKey(HWND control, WPARAM key, std::initializer_list<BYTE> held = {});
