#pragma once

#include "CWnd.h"

// Binds control wrappers to a dialog's controls by id.
class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate)
        : m_dialog(dialog)
        , m_bSaveAndValidate(saveAndValidate)
    {
    }

    CWnd* m_dialog;
    BOOL m_bSaveAndValidate;
};

// Attaches the wrapper to the control with the given id, once.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
