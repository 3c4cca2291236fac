#pragma once
#include <windows.h>

// Base of the program's dialogs: one static procedure keeps `this` with the
// window and hands the messages to the dialog object.
class CDialog {
public:
    explicit CDialog(int templateId) : templateId_(templateId) {}
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; returns the code it ended with, or -1.
    INT_PTR DoModal(HWND parent = nullptr);
    // Creates the dialog modelessly (the tests drive windows this way).
    bool Create(HWND parent = nullptr);

    HWND hwnd() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    // Check boxes and the choice of a drop-down list, by control id.
    bool Checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
    void Check(int id, bool on) { CheckDlgButton(hwnd_, id, on ? BST_CHECKED : BST_UNCHECKED); }
    int Selection(int id) const { return static_cast<int>(SendDlgItemMessageA(hwnd_, id, CB_GETCURSEL, 0, 0)); }
    void EndDialog(INT_PTR result);

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // Return true when the command was handled.
    virtual bool OnCommand(int id, int code, HWND control);
    virtual bool OnNotify(NMHDR* header, LRESULT* result) { return false; }
    // Any other message; set *handled to give the result.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool* handled) { return 0; }
    virtual void OnDestroy() {}
    // Every message after WM_INITDIALOG passes here on its way to the
    // handlers above; a dialog that must turn some away overrides it.
    virtual INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
};
