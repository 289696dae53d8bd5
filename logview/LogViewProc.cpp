#include "LogView.h"

#include "EditQueries.h"
#include "WindowDpi.h"

#include <windowsx.h>

#include <memory>
#include <new>

// The window procedure: each message to the part of the view that answers it.

namespace {

POINT PointOf(LPARAM lParam)
{
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

// The platform carries a private message's parameters between threads and
// processes as they are: a pointer from elsewhere would be read here as one
// of ours. Messages that carry one are taken from this thread only.
bool SentFromThisThread()
{
    return ::InSendMessageEx(nullptr) == ISMEX_NOSEND;
}

} // namespace

LRESULT CALLBACK LogView::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* view = reinterpret_cast<LogView*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    try {
        if (message == WM_NCCREATE) {
            std::unique_ptr<LogView> created(new LogView(hwnd));
            if (!created->m_measurer.IsReady())
                return FALSE;
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            if (create->lpszName != nullptr && !IS_INTRESOURCE(create->lpszName))
                created->m_text.Assign(create->lpszName);
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created.release()));
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
        if (view == nullptr)
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            delete view;
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
        // Screen readers hear of a moved caret or selection once a message.
        const LogAutomation::Mark before = view->m_automation.Before();
        const LRESULT result = view->OnMessage(message, wParam, lParam);
        if (reinterpret_cast<LogView*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA)) == view)
            view->m_automation.After(before);
        return result;
    } catch (const std::bad_alloc&) {
        // Out of memory beyond the text, which refuses its own changes whole:
        // refuse this one message, as the edit control does, and say so.
        if (view != nullptr)
            view->NotifyParent(EN_ERRSPACE);
        return message == WM_NCCREATE ? FALSE : 0;
    }
}

LRESULT LogView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (EditQueries::AsksLayout(message))
        Settle();
    if (const auto answer = EditQueries(m_text, m_selection, Layout()).Answer(message, wParam, lParam))
        return *answer;

    switch (message) {
    case WM_SETTEXT:
        return SetText(reinterpret_cast<const wchar_t*>(lParam)) ? TRUE : FALSE;
    case WM_SETFONT:
        OnSetFont(reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_measurer.Font());

    case EM_SETSEL:
        SetSelection(EditQueries(m_text, m_selection, Layout()).Requested(wParam, lParam));
        return 0;
    case EM_REPLACESEL:
        ReplaceSelection(reinterpret_cast<const wchar_t*>(lParam));
        return 0;
    case EM_SCROLLCARET:
        ScrollCaretIntoView();
        return TRUE;
    case EM_SETLIMITTEXT:
        // There is no limit to lift: the log takes whatever memory allows.
        return 0;
    case EM_GETMODIFY:
        return m_modified ? TRUE : FALSE;
    case WM_COPY:
        CopySelection();
        return 0;

    case WM_GETDLGCODE:
        // Esc, Tab and Enter are left to the dialog manager: Esc cancels the
        // dialog (ends the program), Tab moves the focus on, Enter presses
        // the default button.
        return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        return 0;
    case WM_CHAR:
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        OnMouse(message, (wParam & MK_SHIFT) != 0, PointOf(lParam));
        return 0;
    case WM_CAPTURECHANGED:
        m_mouse.CaptureLost();
        return 0;
    case WM_TIMER: {
        std::optional<POINT> cursor;
        if (m_scrollBar.OnTimer(wParam))
            Invalidate();
        else if (m_mouse.OnTimer(wParam, cursor) && cursor)
            OnMouse(WM_MOUSEMOVE, true, *cursor);
        else if (!m_accessibility.OnTimer(wParam))
            m_automation.OnTimer(wParam);
        return 0;
    }
    case WM_CONTEXTMENU:
        if (OnContextMenu(lParam))
            return 0;
        break;
    case WM_MOUSEWHEEL:
        OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        OnFocus(message == WM_SETFOCUS);
        return 0;

    case WM_CREATE:
    case WM_SIZE:
    case WindowDpi::kChangedAfterParent:
        // At a new DPI the font comes anew from the parent (WM_SETFONT); the
        // margin and the caret are the view's to scale.
        Remeasure();
        Invalidate();
        return 0;
    case WM_GETOBJECT:
        if (const auto answer = m_accessibility.OnGetObject(wParam, lParam))
            return *answer;
        if (const auto answer = m_automation.OnGetObject(wParam, lParam))
            return *answer;
        break;
    case kSetAccessibleName:
        if (SentFromThisThread())
            m_accessibility.SetName(reinterpret_cast<const wchar_t*>(lParam));
        return 0;
    case kRepaintsChanges:
        return TRUE;
    case kTakeTextAgain:
        return ChangeText([this] { return m_text.TakeTextAgain(); }) ? TRUE : FALSE;
    case kSetAppName:
        if (SentFromThisThread())
            m_appName = lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L"";
        return 0;
    case kAppend:
        return SentFromThisThread() && Append(reinterpret_cast<const wchar_t*>(lParam)) ? TRUE : FALSE;
    case kFollowEnd:
        FollowEnd();
        return 0;
    case kSaveEnded:
        OnSaveEnded();
        return 0;
    case WM_DESTROY:
        // A save still going is given up: the old file stays as it was.
        m_save.reset();
        m_findBox.Close();
        m_automation.Disconnect();
        return 0;
    case WM_ENABLE:
    case WM_STYLECHANGED:
        Invalidate();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_PRINTCLIENT:
        PaintContent(reinterpret_cast<HDC>(wParam), m_viewport.client);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
}
