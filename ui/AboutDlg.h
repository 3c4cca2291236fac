#pragma once
#include "resources/resource.h"
#include "ui/Dialog.h"

// The About box of the system menu.
class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
