#include "FileDialogDriver.h"

#include "Encoding.h"

#include <functional>

using namespace e2e;

namespace {

// Every descendant, depth first; the file dialogs nest their controls.
void Collect(HWND parent, std::vector<Window>& out)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        out.emplace_back(child);
        Collect(child, out);
    }
}

bool IsClass(const Window& window, const wchar_t* name)
{
    return ::lstrcmpiW(window.className().c_str(), name) == 0;
}

} // namespace

testing::AssertionResult FileDialogDriver::waitForDialog()
{
    m_dialog = Window();
    waitUntil([&] {
        for (const Window& window : m_app.otherWindows()) {
            m_dialog = window;
            if (nameBox())
                return true;
        }
        m_dialog = Window();
        return false;
    });
    if (!m_dialog)
        return testing::AssertionFailure() << "no file dialog with a name box appeared; " << m_app.describe();
    return testing::AssertionSuccess();
}

Window FileDialogDriver::nameBox() const
{
    if (!m_dialog)
        return Window();
    std::vector<Window> all;
    Collect(m_dialog.handle(), all);
    for (const Window& window : all) {
        if (window.id() == 1152 && IsClass(window, L"Edit"))
            return window;
    }
    for (const Window& window : all) {
        if (window.id() == 1148 && IsClass(window, L"ComboBoxEx32")) {
            std::vector<Window> inside;
            Collect(window.handle(), inside);
            for (const Window& edit : inside) {
                if (IsClass(edit, L"Edit"))
                    return edit;
            }
        }
    }
    return Window();
}

testing::AssertionResult FileDialogDriver::choose(const std::wstring& path)
{
    const Window box = nameBox();
    if (!box)
        return testing::AssertionFailure() << "the file dialog has no name box";
    if (!box.setText(path))
        return testing::AssertionFailure() << "the name box did not take the text";
    const Window open = m_dialog.child(IDOK);
    if (!open.click())
        return testing::AssertionFailure() << "the Open button did not take the click; " << describeChildren();
    return waitForClose();
}

testing::AssertionResult FileDialogDriver::cancel()
{
    const Window button = m_dialog.child(IDCANCEL);
    if (!button.click())
        m_dialog.post(WM_CLOSE);
    return waitForClose();
}

testing::AssertionResult FileDialogDriver::waitForClose()
{
    const HWND handle = m_dialog.handle();
    if (waitUntil([&] { return !::IsWindow(handle) || !::IsWindowVisible(handle); }))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the file dialog stayed open; " << describeChildren();
}

std::wstring FileDialogDriver::describeChildren() const
{
    std::vector<Window> all;
    if (m_dialog)
        Collect(m_dialog.handle(), all);
    std::wstring text;
    for (const Window& window : all)
        text += window.className() + L"#" + std::to_wstring(window.id()) + L"[" + window.text() + L"] ";
    return text;
}

Window FileDialogDriver::fileTypeBox() const
{
    std::vector<Window> all;
    if (m_dialog)
        Collect(m_dialog.handle(), all);
    for (const Window& window : all) {
        if (IsClass(window, L"ComboBox") && !IsClass(window.parent(), L"ComboBoxEx32") && window.id() != 1148
            && !::IsChild(window.handle(), nameBox().handle()))
            return window;
    }
    return Window();
}

std::vector<std::wstring> FileDialogDriver::fileTypes() const
{
    std::vector<std::wstring> types;
    const Window box = fileTypeBox();
    const LRESULT count = box ? box.send(CB_GETCOUNT).value_or(0) : 0;
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = box.send(CB_GETLBTEXTLEN, static_cast<WPARAM>(i)).value_or(CB_ERR);
        if (length == CB_ERR)
            break;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        box.send(CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(length));
        types.push_back(text);
    }
    return types;
}

int FileDialogDriver::selectedFileType() const
{
    const Window box = fileTypeBox();
    return box ? static_cast<int>(box.send(CB_GETCURSEL).value_or(CB_ERR)) : CB_ERR;
}
