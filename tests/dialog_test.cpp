// The dialog base: an exception never unwinds through the window manager.
#include <stdexcept>

#include "resources/resource.h"
#include "tests/support/TestEnv.h"
#include "ui/Dialog.h"

namespace {

class ThrowingDialog : public CDialog {
public:
    ThrowingDialog() : CDialog(IDD_ABOUTBOX) {}

protected:
    bool OnCommand(int id, int code, HWND control) override
    {
        if (id == 1) throw std::runtime_error("disk full");
        if (id == 2) throw 42;
        return CDialog::OnCommand(id, code, control);
    }
};

class DialogTest : public LauncherTest {};

TEST_F(DialogTest, ExceptionsAreReportedAtTheDialogsBoundary)
{
    ThrowingDialog dialog;
    ASSERT_TRUE(dialog.Create());
    ExpectMessage("An unexpected error occurred: disk full");
    SendMessageA(dialog.hwnd(), WM_COMMAND, 1, 0);
    ExpectMessage("An unexpected error occurred: unknown error");
    SendMessageA(dialog.hwnd(), WM_COMMAND, 2, 0);
    EXPECT_TRUE(IsWindow(dialog.hwnd())) << "the dialog lives on";
}

}  // namespace
