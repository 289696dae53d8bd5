#include "DroppedFiles.h"

void dropped_files::Finish(HDROP drop)
{
    ::DragFinish(drop);
}

std::wstring DroppedFiles::First() const
{
    if (!m_drop || ::DragQueryFileW(m_drop.get(), 0xFFFFFFFF, nullptr, 0) == 0)
        return {};
    const UINT length = ::DragQueryFileW(m_drop.get(), 0, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    path.resize(::DragQueryFileW(m_drop.get(), 0, &path[0], length + 1));
    return path;
}
