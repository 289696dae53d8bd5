#include "ContextMenu.h"

#include <windowsx.h>

namespace {

// Menu item ids are the commands, counted from 1 (0 is no choice).
constexpr UINT IdOf(ContextMenu::Command command)
{
    return static_cast<UINT>(command);
}

} // namespace

ContextMenu::ContextMenu(const Selection& selection, size_t length)
    : m_menu(::CreatePopupMenu())
{
    if (!m_menu)
        return;
    const bool allSelected = selection.Start() == 0 && selection.End() == length;
    ::AppendMenuW(
        m_menu.get(), MF_STRING | (selection.Empty() ? MF_GRAYED : MF_ENABLED), IdOf(Command::Copy), L"复制(&C)");
    ::AppendMenuW(m_menu.get(), MF_STRING | (length == 0 || allSelected ? MF_GRAYED : MF_ENABLED),
        IdOf(Command::SelectAll), L"全选(&A)");
    ::AppendMenuW(m_menu.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(m_menu.get(), MF_STRING, IdOf(Command::Find), L"查找(&F)...");
    ::AppendMenuW(m_menu.get(), MF_STRING, IdOf(Command::FindNext), L"查找下一个(&N)");
    ::AppendMenuW(m_menu.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(m_menu.get(), MF_STRING, IdOf(Command::Save), L"保存日志(&S)...");
}

std::optional<POINT> ContextMenu::Placement(HWND owner, LPARAM screenPoint, POINT caretBelow)
{
    POINT point{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (point.x == -1 && point.y == -1) {
        point = caretBelow;
        ::ClientToScreen(owner, &point);
        return point;
    }
    POINT client = point;
    RECT rect{};
    ::ScreenToClient(owner, &client);
    ::GetClientRect(owner, &rect);
    if (!::PtInRect(&rect, client))
        return std::nullopt;
    return point;
}

ContextMenu::Command ContextMenu::Show(HWND owner, POINT screen) const
{
    if (!m_menu)
        return Command::None;
    const UINT command = static_cast<UINT>(
        ::TrackPopupMenu(m_menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_NONOTIFY,
            screen.x, screen.y, 0, owner, nullptr));
    if (command < IdOf(Command::Copy) || command > IdOf(Command::Save))
        return Command::None;
    return static_cast<Command>(command);
}
