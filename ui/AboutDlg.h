#pragma once

#include "resources/resource.h"

#include <CDialog.h>

// Names the program and its version; reached from the system menu.
class CAboutDlg : public CDialog {
public:
    enum { IDD = IDD_ABOUTBOX };

    explicit CAboutDlg(CWnd* parent = nullptr)
        : CDialog(IDD, parent)
    {
    }
};
