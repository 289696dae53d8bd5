#pragma once

#include "CWnd.h"

// Binds control wrappers to a dialog's controls by id.
class CDataExchange {
public:
    explicit CDataExchange(CWnd* dialog)
        : m_dialog(dialog)
    {
    }

    CWnd* m_dialog;
};

// Attaches the wrapper to the control with the given id, once.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
