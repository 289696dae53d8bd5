#include "FindBox.h"

#include "DialogTemplate.h"

#include <utility>
#include <vector>

namespace {

const DialogTemplate& FindTemplate()
{
    static const DialogTemplate box = [] {
        DialogTemplate made(L"查找", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 236, 62);
        made.AddControl(L"STATIC", L"查找内容", 0xFFFF, SS_LEFT, 6, 9, 40, 8);
        made.AddControl(L"EDIT", L"", FindBox::kTextId, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 48, 7, 126, 12);
        made.AddControl(
            L"BUTTON", L"区分大小写", FindBox::kMatchCaseId, BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 6, 42, 64, 10);
        made.AddControl(L"BUTTON", L"方向", 0xFFFF, BS_GROUPBOX, 96, 26, 78, 28);
        made.AddControl(
            L"BUTTON", L"向上", FindBox::kUpId, BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, 102, 38, 32, 10);
        made.AddControl(L"BUTTON", L"向下", FindBox::kDownId, BS_AUTORADIOBUTTON, 138, 38, 32, 10);
        made.AddControl(L"BUTTON", L"查找下一个", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 180, 6, 50, 14);
        made.AddControl(L"BUTTON", L"取消", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 180, 24, 50, 14);
        return made;
    }();
    return box;
}

std::wstring ItemText(HWND box, int id)
{
    const HWND item = ::GetDlgItem(box, id);
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(item, &text[0], static_cast<int>(text.size()))));
    return text;
}

} // namespace

FindBox::FindBox(HWND target, Find find)
    : m_target(target)
    , m_find(std::move(find))
{
}

FindBox::~FindBox() = default;

void FindBox::Open(HWND owner, const std::optional<std::wstring>& prefill)
{
    if (!m_box) {
        const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(m_target, GWLP_HINSTANCE));
        const HWND box = ::CreateDialogIndirectParamW(
            instance, FindTemplate().Get(), owner, DialogProc, reinterpret_cast<LPARAM>(this));
        if (box == nullptr)
            return;
        m_box.reset(box);
        m_keys = std::make_unique<DialogKeys>(box);
        ::CheckRadioButton(box, kUpId, kDownId, kUpId);
        ::CheckDlgButton(box, kMatchCaseId, m_last.matchCase ? BST_CHECKED : BST_UNCHECKED);
        ::SetDlgItemTextW(box, kTextId, m_last.text.c_str());
        // Over the top right of the window it belongs to, clear of the log.
        RECT ownerRect{};
        RECT boxRect{};
        ::GetWindowRect(owner, &ownerRect);
        ::GetWindowRect(box, &boxRect);
        ::SetWindowPos(box, nullptr, ownerRect.right - (boxRect.right - boxRect.left) - 16, ownerRect.top + 32, 0, 0,
            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Fill(prefill);
    EnableFind();
    ::ShowWindow(m_box.get(), SW_SHOW);
    ::SetActiveWindow(m_box.get());
    ::SendMessageW(m_box.get(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(m_box.get(), kTextId)), TRUE);
}

void FindBox::Close()
{
    if (!m_box)
        return;
    m_last = Asked();
    m_keys.reset();
    m_box.reset();
}

HWND FindBox::Shown() const
{
    return m_box && ::IsWindowVisible(m_box.get()) ? m_box.get() : nullptr;
}

void FindBox::Fill(const std::optional<std::wstring>& prefill) const
{
    if (prefill)
        ::SetDlgItemTextW(m_box.get(), kTextId, prefill->c_str());
}

SearchQuery FindBox::Asked() const
{
    SearchQuery query;
    query.text = ItemText(m_box.get(), kTextId);
    query.matchCase = ::IsDlgButtonChecked(m_box.get(), kMatchCaseId) == BST_CHECKED;
    query.up = ::IsDlgButtonChecked(m_box.get(), kUpId) == BST_CHECKED;
    return query;
}

void FindBox::EnableFind() const
{
    ::EnableWindow(::GetDlgItem(m_box.get(), IDOK), ::GetWindowTextLengthW(::GetDlgItem(m_box.get(), kTextId)) > 0);
}

INT_PTR CALLBACK FindBox::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        return FALSE; // the focus is set once the box is filled
    }
    auto* box = reinterpret_cast<FindBox*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (box == nullptr)
        return FALSE;
    if (message == WM_NCDESTROY) {
        // Gone with the window it belongs to: nothing left to close.
        box->m_keys.reset();
        box->m_box.release();
        return FALSE;
    }
    return box->OnMessage(message, wParam);
}

INT_PTR FindBox::OnMessage(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (::GetWindowTextLengthW(::GetDlgItem(m_box.get(), kTextId)) > 0) {
                m_last = Asked();
                const SearchQuery query = m_last;
                m_find(query);
            }
            return TRUE;
        case IDCANCEL:
            Close();
            return TRUE;
        case kTextId:
            if (HIWORD(wParam) == EN_CHANGE)
                EnableFind();
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        Close();
        return TRUE;
    default:
        return FALSE;
    }
}
