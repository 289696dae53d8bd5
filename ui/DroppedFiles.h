#pragma once

#include <UniqueAny.h>

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace dropped_files {
void Finish(HDROP drop);
} // namespace dropped_files

// The files of one drop onto the window, as the shell hands them over with
// WM_DROPFILES: the drop's memory is the receiver's to give back, which the
// object does when it goes.
class DroppedFiles {
public:
    explicit DroppedFiles(HDROP drop)
        : m_drop(drop)
    {
    }

    // The first of the files, the only one taken; empty if there is none.
    std::wstring First() const;

private:
    UniqueAny<HDROP, dropped_files::Finish> m_drop;
};
