#include "BuildTree.h"
#include "LogViewTestHost.h"
#include "Process.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr WORD kLogId = 1000;
constexpr UINT kKeysDone = WM_APP;
constexpr INT_PTR kEndedByTest = 100;
constexpr INT_PTR kTimedOut = 101;

// How a dialog run went: filled in by the dialog procedure.
struct DialogRun {
    std::vector<WPARAM> keys;
    HWND focusAfterKeys = nullptr;
    HWND button = nullptr;
    std::wstring initialText;
    bool usesDialogFont = false;
};

// A dialog with the log view (tab stop, first) and a default OK button.
std::vector<WORD> DialogTemplate()
{
    std::vector<WORD> words;
    auto dword = [&](DWORD value) { words.insert(words.end(), {LOWORD(value), HIWORD(value)}); };
    auto text = [&](const wchar_t* chars) {
        do
            words.push_back(static_cast<WORD>(*chars));
        while (*chars++ != L'\0');
    };
    auto align = [&] { words.resize((words.size() + 1) / 2 * 2); };
    // Not visible: the keys are handled before the modal loop would show it,
    // and hiding a shown window costs two seconds under Wine without a window
    // manager.
    dword(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION);
    dword(0);
    words.insert(words.end(), {2, 0, 0, 200, 120, 0, 0});
    text(L"log");
    words.push_back(9);
    text(L"MS Shell Dlg");
    align();
    dword(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL);
    dword(0);
    words.insert(words.end(), {5, 5, 190, 80, kLogId});
    text(LogView::kClassName);
    text(L"ready\r\n");
    words.push_back(0);
    align();
    dword(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON);
    dword(0);
    words.insert(words.end(), {70, 95, 60, 14, IDOK, 0xFFFF, 0x0080});
    text(L"OK");
    words.push_back(0);
    return words;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* run = reinterpret_cast<DialogRun*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        run = reinterpret_cast<DialogRun*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const HWND view = GetDlgItem(dialog, kLogId);
        run->button = GetDlgItem(dialog, IDOK);
        run->initialText = WindowText(view);
        run->usesDialogFont = SendMessageW(view, WM_GETFONT, 0, 0) == SendMessageW(dialog, WM_GETFONT, 0, 0);
        SetFocus(view);
        // Posted, so that they come through the dialog's own message loop.
        for (WPARAM key : run->keys)
            PostMessageW(view, WM_KEYDOWN, key, 1);
        PostMessageW(dialog, kKeysDone, 0, 0);
        SetTimer(dialog, 1, 10000, nullptr);
        return FALSE;
    }
    case kKeysDone:
        run->focusAfterKeys = GetFocus();
        EndDialog(dialog, kEndedByTest);
        return TRUE;
    case WM_TIMER:
        EndDialog(dialog, kTimedOut);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR RunDialog(DialogRun& run)
{
    EXPECT_TRUE(LogView::Register(GetModuleHandleW(nullptr)));
    const std::vector<WORD> words = DialogTemplate();
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()),
        nullptr, DialogProc, reinterpret_cast<LPARAM>(&run));
}

TEST(LogViewInADialog, EscapeInTheViewCancelsTheDialog)
{
    DialogRun run;
    run.keys = {VK_ESCAPE};
    EXPECT_EQ(RunDialog(run), IDCANCEL);
    EXPECT_EQ(run.initialText, L"ready\r\n");
    EXPECT_TRUE(run.usesDialogFont);
}

TEST(LogViewInADialog, TabMovesOnAndEnterPressesTheDefaultButton)
{
    DialogRun tab;
    tab.keys = {VK_TAB};
    EXPECT_EQ(RunDialog(tab), kEndedByTest);
    EXPECT_EQ(tab.focusAfterKeys, tab.button);
    DialogRun enter;
    enter.keys = {VK_RETURN};
    EXPECT_EQ(RunDialog(enter), IDOK);
}

TEST(LogViewAcrossProcesses, AnotherProcessReadsTheLogWithGetText)
{
    LogViewTestHost host;
    AppendLikeTheProgram(host.View(), L"编程完成 Done.\r\n");
    AppendLikeTheProgram(host.View(), std::wstring(5000, L'x'));

    // The peer copies the view's text into the edit control, both through
    // messages sent from its own process, and then sends the view messages
    // whose pointers it must not follow.
    const std::wstring arguments = std::to_wstring(reinterpret_cast<ULONG_PTR>(host.View())) + L" "
        + std::to_wstring(reinterpret_cast<ULONG_PTR>(host.Edit()));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    e2e::Process peer;
    ASSERT_TRUE(peer.start(e2e::BuildTree::binDirectory() + L"\\logview_peer.exe", arguments, {}, {}, 0, startup));

    // The peer's messages are answered only while this thread pumps.
    ASSERT_TRUE(e2e::pumpUntil([&] { return !peer.alive(); }, std::chrono::seconds(60))) << "the peer did not finish";
    EXPECT_EQ(peer.exitCode().value_or(1), 0u);
    EXPECT_EQ(WindowText(host.Edit()), WindowText(host.View()));
    EXPECT_EQ(WindowText(host.Edit()).size(), 5012u);
}

} // namespace
