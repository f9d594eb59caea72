#include "toolkit/controls.h"

#include "toolkit/application.h"
#include "toolkit/win32/native.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace tk {

namespace {

constexpr int kArrowWidth = 11;
using Kind = NativeControl::Kind;

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void StepSpin(NativeControl& spin, int delta) {
    if (spin.rows.empty())
        return;
    const int count = static_cast<int>(spin.rows.size());
    const int from = spin.selected >= 0 && spin.selected < count ? spin.selected : spin.top;
    const int to = std::clamp(from + delta, 0, count - 1);
    if (to != spin.selected && spin.onUserSelect)
        spin.onUserSelect(to);
}

void PaintSpin(HWND hwnd, NativeControl& spin) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT box;
    GetClientRect(hwnd, &box);
    const bool focused = GetFocus() == hwnd;
    const bool shownIsSelected = spin.top == spin.selected && spin.selected >= 0;
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    RECT textArea{1, 1, box.right - kArrowWidth - 1, box.bottom - 1};
    if (shownIsSelected)
        FillRect(dc, &textArea, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_BTNSHADOW));
    FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
    HGDIOBJ oldFont =
        SelectObject(dc, spin.font != nullptr ? spin.font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    if (spin.top >= 0 && spin.top < static_cast<int>(spin.rows.size())) {
        ::SetTextColor(dc, shownIsSelected && focused ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                           : spin.hasTextColor        ? spin.textColor
                                                      : GetSysColor(COLOR_WINDOWTEXT));
        const std::wstring row = Widen(spin.rows[static_cast<std::size_t>(spin.top)], kCp1252);
        textArea.left += 2;
        DrawTextW(dc, row.c_str(), static_cast<int>(row.size()), &textArea,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, oldFont);
    // The two step arrows.
    const int ax = box.right - kArrowWidth;
    const int mid = box.bottom / 2;
    RECT divider{ax, 0, ax + 1, box.bottom};
    FillRect(dc, &divider, GetSysColorBrush(COLOR_BTNSHADOW));
    HBRUSH arrowBrush = GetSysColorBrush(IsWindowEnabled(hwnd) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    HGDIOBJ oldBrush = SelectObject(dc, arrowBrush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    const int cx = ax + kArrowWidth / 2;
    const POINT up[] = {{cx - 3, mid - 2}, {cx + 4, mid - 2}, {cx, mid - 6}};
    const POINT down[] = {{cx - 3, mid + 2}, {cx + 4, mid + 2}, {cx, mid + 6}};
    Polygon(dc, up, 3);
    Polygon(dc, down, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    EndPaint(hwnd, &paint);
}

} // namespace

LRESULT CALLBACK SpinListProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    NativeControl* spin = NativeOf(hwnd);
    if (spin == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    RECT box;
    GetClientRect(hwnd, &box);
    switch (message) {
    case WM_PAINT:
        PaintSpin(hwnd, *spin);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        SetFocus(hwnd);
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        const bool shown = spin->top >= 0 && spin->top < static_cast<int>(spin->rows.size());
        if (x >= box.right - kArrowWidth)
            StepSpin(*spin, y < box.bottom / 2 ? -1 : 1);
        else if (shown && message == WM_LBUTTONDBLCLK && spin->onUserDoubleClick)
            spin->onUserDoubleClick(spin->top);
        else if (shown && message == WM_LBUTTONDOWN && spin->onUserSelect)
            spin->onUserSelect(spin->top);
        return 0;
    }
    case WM_MOUSEWHEEL:
        if (GET_WHEEL_DELTA_WPARAM(wParam) != 0)
            StepSpin(*spin, GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? -1 : 1);
        return 0;
    case WM_KEYDOWN: {
        const int count = static_cast<int>(spin->rows.size());
        switch (wParam) {
        case VK_UP:
        case VK_LEFT:
            StepSpin(*spin, -1);
            return 0;
        case VK_DOWN:
        case VK_RIGHT:
            StepSpin(*spin, 1);
            return 0;
        case VK_HOME:
            StepSpin(*spin, -count);
            return 0;
        case VK_END:
            StepSpin(*spin, count);
            return 0;
        default:
            break;
        }
        break; // a focused list keeps the keys it does not use from the window
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

NativeControl* MakeChild(NativeControl::Kind kind, const Control& parent,
                         const wchar_t* windowClass, std::wstring_view text, DWORD style,
                         DWORD extendedStyle) {
    RegisterWindowClasses();
    auto* native = new NativeControl;
    native->kind = kind;
    const std::wstring caption(text);
    native->hwnd =
        CreateWindowExW(extendedStyle, windowClass, caption.c_str(), WS_CHILD | WS_VISIBLE | style,
                        0, 0, 80, 20, HwndOf(parent), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (native->hwnd == nullptr) {
        delete native;
        throw ToolkitError("A control could not be made (error " + std::to_string(GetLastError()) +
                           ").");
    }
    SetWindowLongPtrW(native->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(native));
    SendMessageW(native->hwnd, WM_SETFONT,
                 reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return native;
}

// Notifications come to the parent with the child's window; the child's own state
// says what they mean. Colours follow the child's text colour.
bool HandleChildMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND: {
        NativeControl* child = lParam != 0 ? NativeOf(reinterpret_cast<HWND>(lParam)) : nullptr;
        if (child == nullptr || !child->onNotify)
            return false;
        child->onNotify(HIWORD(wParam));
        result = 0;
        return true;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
        NativeControl* child = lParam != 0 ? NativeOf(reinterpret_cast<HWND>(lParam)) : nullptr;
        if (child == nullptr || !child->onNotify)
            return false;
        child->onNotify(LOWORD(wParam));
        result = 0;
        return true;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        NativeControl* child = NativeOf(reinterpret_cast<HWND>(lParam));
        if (child == nullptr || (!child->hasTextColor && !child->label))
            return false;
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (child->hasTextColor)
            ::SetTextColor(dc, child->textColor);
        const bool face = message != WM_CTLCOLOREDIT || child->label;
        SetBkColor(dc, GetSysColor(face ? COLOR_BTNFACE : COLOR_WINDOW));
        result = reinterpret_cast<LRESULT>(GetSysColorBrush(face ? COLOR_BTNFACE : COLOR_WINDOW));
        return true;
    }
    default:
        return false;
    }
}

// ListBox ------------------------------------------------------------------------

ListBox::ListBox(Control& parent)
    : Control(MakeChild(Kind::SpinList, parent, kSpinListClass, L"", WS_TABSTOP)) {
    Native()->onUserSelect = [this](int row) { UserSelect(row); };
    Native()->onUserDoubleClick = [this](int row) { UserDoubleClick(row); };
}

namespace {
// The shown row's own hint, when it has one, before the list's.
void Shown(NativeControl& spin) {
    const auto top = static_cast<std::size_t>(spin.top);
    const bool own = top < spin.hints.size() && !spin.hints[top].empty();
    ShowHint(spin, own ? spin.hints[top] : spin.hint);
    InvalidateRect(spin.hwnd, nullptr, TRUE);
}
} // namespace

int ListBox::Count() const {
    return static_cast<int>(Native()->rows.size());
}

void ListBox::Clear() {
    NativeControl& spin = *Native();
    spin.rows.clear();
    spin.hints.clear();
    spin.selected = -1;
    spin.top = 0;
    Shown(spin);
}

void ListBox::Add(std::string_view text) {
    Native()->rows.emplace_back(text);
    InvalidateRect(Native()->hwnd, nullptr, TRUE);
}

std::string ListBox::Item(int row) const {
    if (row < 0 || row >= Count())
        return {};
    return Native()->rows[static_cast<std::size_t>(row)];
}

void ListBox::SetItemHint(int row, std::string_view hint) {
    NativeControl& spin = *Native();
    if (row < 0 || row >= Count())
        return;
    if (spin.hints.size() <= static_cast<std::size_t>(row))
        spin.hints.resize(static_cast<std::size_t>(row) + 1);
    spin.hints[static_cast<std::size_t>(row)] = std::string(hint);
    if (row == spin.top)
        Shown(spin);
}

std::string ListBox::ItemHint(int row) const {
    const NativeControl& spin = *Native();
    if (row < 0 || static_cast<std::size_t>(row) >= spin.hints.size())
        return {};
    return spin.hints[static_cast<std::size_t>(row)];
}

bool ListBox::TextFits(std::string_view text) const {
    HWND hwnd = Native()->hwnd;
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, Native()->font != nullptr ? Native()->font
                                                             : GetStockObject(DEFAULT_GUI_FONT));
    const std::wstring wide = Widen(text, kCp1252);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return size.cx <= Width() - kArrowWidth - 4;
}

int ListBox::ItemIndex() const {
    return Native()->selected;
}

void ListBox::SetItemIndex(int row) {
    NativeControl& spin = *Native();
    if (row == -1) {
        spin.selected = -1;
    } else if (row >= 0 && row < Count()) {
        spin.selected = row;
        spin.top = row; // a selection set by code is scrolled into view
    }
    Shown(spin);
}

int ListBox::TopIndex() const {
    return Native()->top;
}

void ListBox::SetTopIndex(int row) {
    if (row >= 0 && row < Count()) {
        Native()->top = row;
        Shown(*Native());
    }
}

// ScrollBar ----------------------------------------------------------------------

namespace {
int PageOf(const NativeControl& bar) {
    return std::max(1, (bar.max - bar.min) / 64);
}
void ShowPosition(const NativeControl& bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_POS;
    info.nMin = bar.min;
    info.nMax = bar.max;
    info.nPos = bar.position;
    SetScrollInfo(bar.hwnd, SB_CTL, &info, TRUE);
}
} // namespace

ScrollBar::ScrollBar(Control& parent, Orientation orientation, int min, int max, int position)
    : Control(MakeChild(Kind::ScrollBar, parent, L"SCROLLBAR", L"",
                        orientation == Orientation::Horizontal ? SBS_HORZ : SBS_VERT)) {
    NativeControl& bar = *Native();
    bar.min = min;
    bar.max = std::max(min, max);
    bar.position = std::clamp(position, bar.min, bar.max);
    ShowPosition(bar);
    bar.onNotify = [this](int request) {
        NativeControl& self = *Native();
        int to = self.position;
        switch (request) {
        case SB_LINEUP:
            to -= 1;
            break;
        case SB_LINEDOWN:
            to += 1;
            break;
        case SB_PAGEUP:
            to -= PageOf(self);
            break;
        case SB_PAGEDOWN:
            to += PageOf(self);
            break;
        case SB_TOP:
            to = self.min;
            break;
        case SB_BOTTOM:
            to = self.max;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info{};
            info.cbSize = sizeof(info);
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(self.hwnd, SB_CTL, &info);
            to = info.nTrackPos;
            break;
        }
        default:
            return;
        }
        SetPosition(to);
    };
}

int ScrollBar::Min() const {
    return Native()->min;
}
int ScrollBar::Max() const {
    return Native()->max;
}
int ScrollBar::Position() const {
    return Native()->position;
}

void ScrollBar::SetPosition(int position) {
    NativeControl& bar = *Native();
    const int clamped = std::clamp(position, bar.min, bar.max);
    if (clamped == bar.position)
        return;
    bar.position = clamped;
    ShowPosition(bar);
    if (OnChange)
        Dispatch(OnChange);
}

// CheckBox -----------------------------------------------------------------------

CheckBox::CheckBox(Control& parent, std::string_view caption, bool checked)
    : Control(MakeChild(Kind::CheckBox, parent, L"BUTTON", Widen(caption, kCp1252),
                        BS_AUTOCHECKBOX | WS_TABSTOP)) {
    SendMessageW(Native()->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    Native()->onNotify = [this](int code) {
        if (code == BN_CLICKED && OnChange)
            Dispatch(OnChange);
    };
}

bool CheckBox::Checked() const {
    return SendMessageW(Native()->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) {
    if (checked == Checked())
        return;
    SendMessageW(Native()->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (OnChange)
        Dispatch(OnChange);
}

// EditBox ------------------------------------------------------------------------

EditBox::EditBox(Control& parent, std::string_view text)
    : Control(MakeChild(Kind::Edit, parent, L"EDIT", Widen(text, kCp1252),
                        ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE)) {
    Native()->onNotify = [this](int code) {
        if (code == EN_CHANGE && OnChange)
            Dispatch(OnChange);
    };
}

std::string EditBox::Text() const {
    return Narrow(WindowText(Native()->hwnd), kCp1252);
}

// The same text again is no change, and runs no OnChange.
void EditBox::SetText(std::string_view text) {
    if (Text() == text)
        return;
    SetWindowTextW(Native()->hwnd, Widen(text, kCp1252).c_str());
}

void EditBox::SetNumbersOnly() {
    HWND hwnd = Native()->hwnd;
    SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | ES_NUMBER);
}

void EditBox::MakeLabel(Color textColor) {
    HWND hwnd = Native()->hwnd;
    Native()->label = true;
    SendMessageW(hwnd, EM_SETREADONLY, TRUE, 0);
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE,
                      GetWindowLongPtrW(hwnd, GWL_EXSTYLE) &
                          ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
    SetWindowLongPtrW(hwnd, GWL_STYLE,
                      GetWindowLongPtrW(hwnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_TABSTOP));
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    // A label takes no clicks: they go to the window behind it.
    SetWindowSubclass(
        hwnd,
        [](HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
           DWORD_PTR) -> LRESULT {
            if (message == WM_NCHITTEST)
                return HTTRANSPARENT;
            return DefSubclassProc(window, message, wParam, lParam);
        },
        1, 0);
    SetTextColor(textColor);
}

// Button -------------------------------------------------------------------------

Button::Button(Control& parent, std::string_view caption)
    : Control(MakeChild(Kind::Button, parent, L"BUTTON", Widen(caption, kCp1252),
                        BS_PUSHBUTTON | WS_TABSTOP)) {
    Native()->onNotify = [this](int code) {
        if (code == BN_CLICKED)
            Click();
    };
}

std::string Button::Caption() const {
    return Narrow(WindowText(Native()->hwnd), kCp1252);
}

void Button::Click() {
    if (OnClick && IsWindowEnabled(Native()->hwnd))
        Dispatch(OnClick);
}

// Panel --------------------------------------------------------------------------

Panel::Panel(Control& parent)
    : Control(MakeChild(Kind::Panel, parent, kPanelClass, L"", WS_BORDER | WS_CLIPSIBLINGS)) {}

// Memo ---------------------------------------------------------------------------

Memo::Memo(Control& parent)
    : Control(MakeChild(Kind::Memo, parent, L"EDIT", L"",
                        ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_HSCROLL |
                            WS_VSCROLL,
                        WS_EX_CLIENTEDGE)) {
    // Without this an edit holds about 32,000 characters and drops what comes after.
    SendMessageW(Native()->hwnd, EM_SETLIMITTEXT, 0, 0);
}

void Memo::Clear() {
    lines_.clear();
    SetWindowTextW(Native()->hwnd, L"");
}

void Memo::ShowLine(std::string_view line) {
    // A lone CR or LF has no glyph; show the line without it.
    std::wstring shown = (lines_.empty() ? L"" : L"\r\n") + Widen(line, kCp1252);
    std::erase(shown, L'\r');
    std::replace(shown.begin(), shown.end(), L'\n', L' ');
    if (!lines_.empty())
        shown.replace(0, 1, L"\r\n");
    HWND hwnd = Native()->hwnd;
    const int end = GetWindowTextLengthW(hwnd);
    SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(shown.c_str()));
}

} // namespace tk
