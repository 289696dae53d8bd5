#pragma once

#include "TarrowDriver.h"

#include <string>
#include <vector>

// Drives a file dialog of a Tarrow process, to open or to save, the way an
// operator does: type a name into the name box and press Open (or Save), or
// cancel.
class FileDialogDriver {
public:
    explicit FileDialogDriver(const e2e::TarrowDriver& app)
        : m_app(app)
    {
    }

    // Waits for the dialog to show; false if it did not.
    testing::AssertionResult waitForDialog();
    testing::AssertionResult choose(const std::wstring& path);
    testing::AssertionResult cancel();
    // Waits for the dialog to go away.
    testing::AssertionResult waitForClose();

    e2e::Window dialog() const { return m_dialog; }
    // Name box: an edit in a ComboBoxEx32 1148 (classic) or edit 1152 (newer).
    e2e::Window nameBox() const;
    std::wstring describeChildren() const;

    // The entries of the file-type list, and which one is selected.
    std::vector<std::wstring> fileTypes() const;
    int selectedFileType() const;

private:
    // The file-type list: the combo box that is not the name box's.
    e2e::Window fileTypeBox() const;

    const e2e::TarrowDriver& m_app;
    e2e::Window m_dialog;
};
