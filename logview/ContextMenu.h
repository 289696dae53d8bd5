#pragma once

#include "Selection.h"

#include <UniqueAny.h>

#include <windows.h>

#include <cstddef>
#include <optional>

// The view's shortcut menu: Copy, enabled while something is selected;
// Select all, enabled while there is text not yet all selected; Find, Find
// next and Save log. Only says which was chosen; acting on it is the
// caller's.
class ContextMenu {
public:
    // In the menu's order; each one's value is its item's id.
    enum class Command { None, Copy, SelectAll, Find, FindNext, Save };

    // For a selection in a text of length characters. Without a menu handle
    // (out of resources) Show chooses nothing.
    ContextMenu(const Selection& selection, size_t length);

    // Where the menu for a WM_CONTEXTMENU to owner goes, in screen
    // coordinates: at the mouse, or at caretBelow (client coordinates) when
    // asked for from the keyboard. Nothing if the mouse is outside the
    // client area (on the scroll bar, which has a menu of its own).
    static std::optional<POINT> Placement(HWND owner, LPARAM screenPoint, POINT caretBelow);

    HMENU Handle() const { return m_menu.get(); }
    // Shows the menu at a screen point and waits for the choice.
    Command Show(HWND owner, POINT screen) const;

private:
    UniqueMenu m_menu;
};
