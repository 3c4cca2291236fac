#pragma once
#include <windows.h>
#include <string>

#include "app/Handles.h"

// A control subclassed by one object for as long as both live: the base of
// the owner-drawn controls. It paints through Paint, double-buffered, and
// lets go of the control when either side is destroyed.
class CDressedControl {
public:
    CDressedControl() = default;
    virtual ~CDressedControl() = default;
    CDressedControl(const CDressedControl&) = delete;
    CDressedControl& operator=(const CDressedControl&) = delete;

    HWND hwnd() const { return control_; }

protected:
    // The object that dresses control, or null.
    static void* DresserOf(HWND control);
    bool Dress(HWND control);
    // Removes the subclass; the control keeps its own look from now on.
    void Undress();

    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void Paint(HDC dc) = 0;
    virtual void OnUndressed() {}

    HWND control_ = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
};

// Turns a dialog's push button or push-like check button into a flat icon
// button: the button keeps its id, text, check state and BN_CLICKED
// notifications; only its look changes. Either may go first: the object
// lets go of the button when one of them is destroyed.
class CFlatButton : public CDressedControl {
public:
    CFlatButton() = default;
    ~CFlatButton() override;

    // False when button is no window or is already dressed by another object.
    bool Attach(HWND button);
    void Detach();

    // An icon of the running module; it shrinks to fit a lower button.
    void SetIcon(int iconResourceId, int size = kDefaultIconSize);
    // A two-state button that shows checkedIcon while checked.
    void SetIcons(int checkedIcon, int uncheckedIcon, int size = kDefaultIconSize);
    void SetColors(COLORREF normal, COLORREF hover, COLORREF focused);
    void SetTextColor(COLORREF color);
    void SetTooltip(const std::string& text);
    HWND Tooltip() const { return tooltip_; }

    // Two-state buttons look pressed while checked. A plain push button
    // becomes a push-like check button so that it keeps its state.
    void SetTwoState(bool twoState);
    void SetChecked(bool checked);
    bool Checked() const;

    // The colour painted now: hover wins over focus, focus over normal.
    COLORREF CurrentBackground() const;
    bool Hovering() const { return hovering_; }

    static constexpr int kDefaultIconSize = 32;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc) override;
    void OnUndressed() override;
    void Redraw();

    HWND tooltip_ = nullptr;
    IconHandle icon_;
    IconHandle checkedIcon_;    // only for buttons with an icon per state
    int iconSize_ = 0;
    COLORREF normal_ = RGB(255, 255, 255);
    COLORREF hover_ = RGB(255, 255, 255);
    COLORREF focused_ = RGB(255, 255, 255);
    COLORREF text_ = CLR_INVALID;
    bool twoState_ = false;
    bool hovering_ = false;
};

// A static text shown as a link: blue and underlined, with a hand cursor.
// A click reaches the dialog as STN_CLICKED. The background stays what the
// dialog's WM_CTLCOLORSTATIC gives.
class CLinkStatic : public CDressedControl {
public:
    CLinkStatic() = default;
    ~CLinkStatic() override;

    bool Attach(HWND label);

    static constexpr COLORREF kLinkColor = RGB(0, 0, 255);

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc) override;

    GdiObject font_;
};

// For WM_CTLCOLORSTATIC: the static draws its text straight onto whatever
// the dialog painted behind it.
HBRUSH TransparentStaticBrush(HDC dc, COLORREF textColor = RGB(0, 0, 0));
