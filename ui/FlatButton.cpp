#include "ui/FlatButton.h"

#include <commctrl.h>
#include <algorithm>

namespace {

constexpr UINT_PTR kSubclassId = 1;
// Marks a control that is dressed already, so that a second dresser cannot
// take it over unnoticed.
constexpr char kDresserProperty[] = "ZantDresser";
constexpr int kPadding = 3;          // between the border and the content
constexpr int kIconTextGap = 4;
constexpr int kTooltipWidth = 300;   // the long download tips wrap
constexpr int kBorderShade = 0x30;
constexpr int kHoverBorderShade = 0x60;

COLORREF Darken(COLORREF color, int amount)
{
    auto channel = [amount](int value) { return static_cast<BYTE>(std::max(0, value - amount)); };
    return RGB(channel(GetRValue(color)), channel(GetGValue(color)), channel(GetBValue(color)));
}

std::string WindowText(HWND window)
{
    std::string text(GetWindowTextLengthA(window) + 1, '\0');
    text.resize(GetWindowTextA(window, &text[0], static_cast<int>(text.size())));
    return text;
}

HFONT WindowFont(HWND window)
{
    auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Buttons and statics paint themselves at once when their state or text
// changes. Switching redraw off for that moment keeps their own look off the
// screen; the caller repaints. A hidden control is left alone: turning redraw
// back on would show it.
LRESULT DefaultWithoutPainting(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool visible = (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible) DefSubclassProc(window, WM_SETREDRAW, FALSE, 0);
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (visible && IsWindow(window)) DefSubclassProc(window, WM_SETREDRAW, TRUE, 0);
    return result;
}

// Puts into dc what the parent paints behind the control, so that whatever
// the control leaves unpainted shows the window's background and not the
// black of a fresh bitmap. The brush origin follows the parent's, so that a
// pattern background lines up with the rest of the window.
void PaintParentBackground(HWND control, HDC dc)
{
    HWND parent = GetParent(control);
    if (!parent) return;
    POINT origin = {0, 0};
    MapWindowPoints(control, parent, &origin, 1);
    POINT oldViewport = {}, oldBrush = {};
    SetViewportOrgEx(dc, -origin.x, -origin.y, &oldViewport);
    SetBrushOrgEx(dc, -origin.x, -origin.y, &oldBrush);
    SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SetBrushOrgEx(dc, oldBrush.x, oldBrush.y, nullptr);
    SetViewportOrgEx(dc, oldViewport.x, oldViewport.y, nullptr);
}

void PaintBuffered(HWND window, void (*paint)(void*, HDC), void* context)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HDC memory = CreateCompatibleDC(dc);
    GdiObject bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap.get());
        PaintParentBackground(window, memory);
        paint(context, memory);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    } else {
        paint(context, dc);
    }
    if (memory) DeleteDC(memory);
    EndPaint(window, &ps);
}

}  // namespace

void* CDressedControl::DresserOf(HWND control)
{
    return GetPropA(control, kDresserProperty);
}

bool CDressedControl::Dress(HWND control)
{
    if (!SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    SetPropA(control, kDresserProperty, this);
    control_ = control;
    return true;
}

void CDressedControl::Undress()
{
    if (!control_) return;
    RemoveWindowSubclass(control_, SubclassProc, kSubclassId);
    RemovePropA(control_, kDresserProperty);
    control_ = nullptr;
    OnUndressed();
}

LRESULT CALLBACK CDressedControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR data)
{
    auto* self = reinterpret_cast<CDressedControl*>(data);
    if (message == WM_NCDESTROY) {
        self->Undress();
        return DefSubclassProc(window, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

LRESULT CDressedControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintBuffered(control_, [](void* self, HDC dc) { static_cast<CDressedControl*>(self)->Paint(dc); }, this);
        return 0;
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefSubclassProc(control_, message, wParam, lParam);
    }
}

CFlatButton::~CFlatButton()
{
    Detach();
}

bool CFlatButton::Attach(HWND button)
{
    if (!IsWindow(button)) return false;
    if (void* owner = DresserOf(button)) return owner == this;
    Detach();
    if (!Dress(button)) return false;
    Redraw();
    return true;
}

void CFlatButton::Detach()
{
    if (!control_) return;
    HWND button = control_;
    Undress();
    InvalidateRect(button, nullptr, TRUE);
}

void CFlatButton::OnUndressed()
{
    if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    hovering_ = false;
}

void CFlatButton::SetIcon(int iconResourceId, int size)
{
    SetIcons(0, iconResourceId, size);
}

void CFlatButton::SetIcons(int checkedIcon, int uncheckedIcon, int size)
{
    if (control_) {
        RECT client;
        GetClientRect(control_, &client);
        const int room = client.bottom - 2 * kPadding;
        if (room > 0 && size > room) size = room;
    }
    auto load = [size](int id) {
        return static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    };
    iconSize_ = size;
    icon_.reset(load(uncheckedIcon));
    checkedIcon_.reset(checkedIcon ? load(checkedIcon) : nullptr);
    if (checkedIcon) SetTwoState(true);
    Redraw();
}

void CFlatButton::SetColors(COLORREF normal, COLORREF hover, COLORREF focused)
{
    normal_ = normal;
    hover_ = hover;
    focused_ = focused;
    Redraw();
}

void CFlatButton::SetTextColor(COLORREF color)
{
    text_ = color;
    Redraw();
}

void CFlatButton::SetTooltip(const std::string& text)
{
    if (!control_) return;
    if (text.empty()) {
        if (tooltip_) DestroyWindow(tooltip_);
        tooltip_ = nullptr;
        return;
    }
    TOOLINFOA tool = {};
    // The version 2 size: without the version 6 controls a larger one is refused.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control_);
    tool.uId = reinterpret_cast<UINT_PTR>(control_);
    tool.lpszText = const_cast<char*>(text.c_str());
    if (tooltip_) {
        SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control_, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!tooltip_) return;
    SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, kTooltipWidth);
    if (!SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        DestroyWindow(tooltip_);
        tooltip_ = nullptr;
    }
}

void CFlatButton::SetTwoState(bool twoState)
{
    twoState_ = twoState;
    if (twoState && control_) {
        const LONG_PTR style = GetWindowLongPtrA(control_, GWL_STYLE);
        const LONG_PTR type = style & BS_TYPEMASK;
        // BM_SETSTYLE changes only the type bits, and push buttons ignore BM_SETCHECK.
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
            SetWindowLongPtrA(control_, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_AUTOCHECKBOX | BS_PUSHLIKE);
    }
    Redraw();
}

void CFlatButton::SetChecked(bool checked)
{
    if (control_) SendMessageA(control_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CFlatButton::Checked() const
{
    return control_ && SendMessageA(control_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

COLORREF CFlatButton::CurrentBackground() const
{
    if (hovering_) return hover_;
    if (control_ && GetFocus() == control_) return focused_;
    return normal_;
}

void CFlatButton::Redraw()
{
    if (control_) InvalidateRect(control_, nullptr, FALSE);
}

LRESULT CFlatButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND window = control_;
    switch (message) {
    case WM_MOUSEMOVE:
        if (!hovering_) {
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
            // Without a promised WM_MOUSELEAVE the hover colour would stick.
            if (TrackMouseEvent(&track)) {
                hovering_ = true;
                Redraw();
            }
        }
        break;
    case WM_MOUSELEAVE:
        hovering_ = false;
        Redraw();
        break;
    case BM_SETCHECK:
    case BM_SETSTATE:
    case BM_SETSTYLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_UPDATEUISTATE: {
        const LRESULT result = DefaultWithoutPainting(window, message, wParam, lParam);
        Redraw();
        return result;
    }
    default:
        break;
    }
    return CDressedControl::OnMessage(message, wParam, lParam);
}

void CFlatButton::Paint(HDC dc)
{
    RECT client;
    GetClientRect(control_, &client);
    const LRESULT state = SendMessageA(control_, BM_GETSTATE, 0, 0);
    const bool checked = (state & BST_CHECKED) != 0;
    const bool sunken = (state & BST_PUSHED) || (twoState_ && checked);
    const bool enabled = IsWindowEnabled(control_) != FALSE;
    const LRESULT uiState = SendMessageA(control_, WM_QUERYUISTATE, 0, 0);
    const COLORREF background = CurrentBackground();

    SetDCBrushColor(dc, background);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    if (sunken) {
        RECT edge = client;
        DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    } else {
        SetDCBrushColor(dc, Darken(background, hovering_ ? kHoverBorderShade : kBorderShade));
        FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }

    RECT content = client;
    InflateRect(&content, -kPadding, -kPadding);
    if (sunken) OffsetRect(&content, 1, 1);
    const std::string text = WindowText(control_);
    HICON icon = checked && checkedIcon_ ? checkedIcon_.get() : icon_.get();
    if (icon) {
        const int x = text.empty() ? (content.left + content.right - iconSize_) / 2 : content.left;
        const int y = (content.top + content.bottom - iconSize_) / 2;
        if (enabled)
            DrawIconEx(dc, x, y, icon, iconSize_, iconSize_, 0, nullptr, DI_NORMAL);
        else
            DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, iconSize_, iconSize_,
                       DST_ICON | DSS_DISABLED);
        content.left = x + iconSize_ + kIconTextGap;
    }
    if (!text.empty()) {
        HGDIOBJ oldFont = SelectObject(dc, WindowFont(control_));
        SetBkMode(dc, TRANSPARENT);
        const COLORREF textColor = text_ == CLR_INVALID ? GetSysColor(COLOR_BTNTEXT) : text_;
        ::SetTextColor(dc, enabled ? textColor : GetSysColor(COLOR_GRAYTEXT));
        UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | (icon ? DT_LEFT : DT_CENTER);
        if (uiState & UISF_HIDEACCEL) format |= DT_HIDEPREFIX;
        DrawTextA(dc, text.c_str(), -1, &content, format);
        SelectObject(dc, oldFont);
    }
    if (GetFocus() == control_ && !(uiState & UISF_HIDEFOCUS)) {
        RECT focus = client;
        InflateRect(&focus, -2, -2);
        ::SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &focus);
    }
}

CLinkStatic::~CLinkStatic()
{
    if (!control_) return;
    HWND label = control_;
    Undress();
    InvalidateRect(label, nullptr, TRUE);
}

bool CLinkStatic::Attach(HWND label)
{
    if (!IsWindow(label) || control_ || DresserOf(label)) return false;
    LOGFONTA font = {};
    if (GetObjectA(WindowFont(label), sizeof font, &font)) {
        font.lfUnderline = TRUE;
        font_.reset(CreateFontIndirectA(&font));
    }
    // Without SS_NOTIFY a static lets clicks through to the dialog.
    SetWindowLongPtrA(label, GWL_STYLE, GetWindowLongPtrA(label, GWL_STYLE) | SS_NOTIFY);
    if (!Dress(label)) return false;
    InvalidateRect(label, nullptr, TRUE);
    return true;
}

LRESULT CLinkStatic::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND window = control_;
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(LoadCursorA(nullptr, IDC_HAND));
        return TRUE;
    case WM_SETTEXT:
    case WM_ENABLE: {
        const LRESULT result = DefaultWithoutPainting(window, message, wParam, lParam);
        // On a transparent background the old text stays unless the dialog
        // paints that spot again first.
        RECT area;
        GetWindowRect(window, &area);
        HWND parent = GetParent(window);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
        RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        return result;
    }
    default:
        break;
    }
    return CDressedControl::OnMessage(message, wParam, lParam);
}

void CLinkStatic::Paint(HDC dc)
{
    RECT client;
    GetClientRect(control_, &client);
    HWND parent = GetParent(control_);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control_)));
    FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));

    const LONG_PTR style = GetWindowLongPtrA(control_, GWL_STYLE);
    // Always without prefixes: a folder path may hold an ampersand.
    UINT format = DT_SINGLELINE | DT_NOPREFIX;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER; break;
    case SS_RIGHT: format |= DT_RIGHT; break;
    default: break;
    }
    switch (style & SS_ELLIPSISMASK) {
    case SS_PATHELLIPSIS: format |= DT_PATH_ELLIPSIS; break;
    case SS_ENDELLIPSIS: format |= DT_END_ELLIPSIS; break;
    case SS_WORDELLIPSIS: format |= DT_WORD_ELLIPSIS; break;
    default: break;
    }
    HGDIOBJ oldFont = SelectObject(dc, font_ ? static_cast<HFONT>(font_.get()) : WindowFont(control_));
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, IsWindowEnabled(control_) ? kLinkColor : GetSysColor(COLOR_GRAYTEXT));
    const std::string text = WindowText(control_);
    DrawTextA(dc, text.c_str(), -1, &client, format);
    SelectObject(dc, oldFont);
}

HBRUSH TransparentStaticBrush(HDC dc, COLORREF textColor)
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColor);
    return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
}
