// Resource ids of Tarrow.exe.
#pragma once

#define IDM_ABOUTBOX 0x0010
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDI_LOGO 129

#define IDC_LOG 1000
#define IDC_ERASE 1001
#define IDC_VERIFY 1002
#define IDC_FILE_PATH 1003
#define IDC_BROWSE 1004

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
