#pragma once

#include "CWnd.h"

#include <cstddef>

class CDataExchange;

// A dialog built from a template and run modally by our own loop, so that
// the help key can be routed to the application before the dialog manager
// sees it.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Returns the value given to EndDialog, or -1 if the window could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

protected:
    // Binds the controls through DoDataExchange.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();

    // Gives the message to the derived class's routing table. Returns false
    // when no entry takes it or its handler asked for the default handling.
    virtual bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Sees each message the modal loop takes before the dialog manager does;
    // true if it was handled and needs nothing more (MFC's hook of that name).
    virtual bool PreTranslateMessage(const MSG& msg);

    // Called from a handler: let the platform's dialog handling do its part too.
    void Default() { m_useDefault = true; }

    // One row of a routing table: a window message, or a button click from a
    // control id (message WM_COMMAND). The first matching row wins.
    template <class T> struct Route {
        UINT message;
        UINT id;
        void (T::*onClick)();
        LRESULT (T::*onMessage)(WPARAM, LPARAM);
    };

    template <class T, size_t N>
    bool Dispatch(const Route<T> (&table)[N], UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
    {
        T& self = static_cast<T&>(*this);
        for (const Route<T>& route : table) {
            if (route.message != message)
                continue;
            if (message == WM_COMMAND && (HIWORD(wParam) != BN_CLICKED || LOWORD(wParam) != route.id))
                continue;
            // A handler may run a message loop of its own (a tool's run, a
            // modal box), whose handlers ask for the default handling of
            // their own messages: each dispatch keeps its own answer.
            const bool outer = m_useDefault;
            m_useDefault = false;
            if (message == WM_COMMAND) {
                (self.*route.onClick)();
                *result = 0;
            } else {
                *result = (self.*route.onMessage)(wParam, lParam);
            }
            const bool handled = !m_useDefault;
            m_useDefault = outer;
            return handled;
        }
        return false;
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void RunModalLoop();
    bool IsHelpKey(const MSG& msg) const;

    UINT m_templateId;
    CWnd* m_parent;
    bool m_modalRunning = false;
    bool m_useDefault = false;
    INT_PTR m_modalResult = -1;
};
