#include "ui/Dialog.h"

#include <exception>
#include <string>

#include "app/MessageBox.h"

CDialog::~CDialog()
{
    if (hwnd_ && !modal_) DestroyWindow(hwnd_);
}

INT_PTR CDialog::DoModal(HWND parent)
{
    modal_ = true;
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(HWND parent)
{
    modal_ = false;
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result)
{
    if (modal_)
        ::EndDialog(hwnd_, result);
    else
        DestroyWindow(hwnd_);
}

bool CDialog::OnCommand(int id, int code, HWND control)
{
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(id);
        return true;
    }
    return false;
}

namespace {

// The last stop of an exception: it must not unwind through the window
// manager's frames, so it is reported and the message counts as handled.
void ReportUnexpected(const char* what)
{
    ShowMessage(std::string("An unexpected error occurred: ") + what, MB_OK | MB_ICONSTOP);
}

}  // namespace

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return Dispatch(hwnd, message, wParam, lParam);
    } catch (const std::exception& error) {
        ReportUnexpected(error.what());
    } catch (...) {
        ReportUnexpected("unknown error");
    }
    return TRUE;
}

INT_PTR CDialog::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        return self->OnInitDialog();
    }
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;
    return self->Route(message, wParam, lParam);
}

INT_PTR CDialog::Route(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!OnNotify(reinterpret_cast<NMHDR*>(lParam), &result)) return FALSE;
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        hwnd_ = nullptr;
        return FALSE;
    default:
        break;
    }
    bool handled = false;
    const INT_PTR result = OnMessage(message, wParam, lParam, &handled);
    return handled ? result : FALSE;
}
