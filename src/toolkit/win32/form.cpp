#include "toolkit/form.h"

#include "toolkit/application.h"
#include "toolkit/form_canvas.h"
#include "toolkit/image_canvas.h"
#include "toolkit/win32/native.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <utility>

namespace tk {

namespace {

// The form's canvas on Win32: a paint is asked for by invalidating the window, and a
// minimised window keeps its picture.
class Win32FormCanvas final : public FormCanvas {
public:
    Win32FormCanvas(ImageCanvas& image, const Form& form) : FormCanvas(image, form), form_(form) {}

private:
    void RequestPaint() override { InvalidateRect(HwndOf(form_), nullptr, FALSE); }
    bool ShowsPicture() const override { return !IsIconic(HwndOf(form_)); }
    const Form& form_;
};

} // namespace

namespace {

constexpr Color kWindowBackground = 0xF0F0F0;

// The form's state the window procedure needs beyond the control's.
struct FormState {
    Form* form = nullptr;
    FormCanvas* canvas = nullptr;
    bool closing = false;
    HWND bottomStrip = nullptr;
    int bottomHeight = 0;
    bool leftPressed = false;
    bool rightPressed = false;
};

// The timers alive, by their WM_TIMER id: a WM_TIMER already queued when its timer
// went is dropped.
std::set<void*>& LiveTimers() {
    static std::set<void*> timers;
    return timers;
}

FormState* StateOf(HWND hwnd) {
    return reinterpret_cast<FormState*>(GetPropW(hwnd, L"DuruzForm"));
}

// Whether a form of this thread is still shown, asked of the windows themselves: a
// count kept from WM_SHOWWINDOW drifts, as Windows does not send it for every change
// (not for a window created maximized, for one, and Wine not for SW_SHOWMAXIMIZED).
bool AnyFormShown() {
    bool shown = false;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM found) {
            if (StateOf(hwnd) == nullptr || !IsWindowVisible(hwnd))
                return TRUE;
            *reinterpret_cast<bool*>(found) = true;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&shown));
    return shown;
}

HCURSOR CursorOf(Cursor cursor) {
    switch (cursor) {
    case Cursor::Busy:
        return LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_APPSTARTING));
    case Cursor::Hourglass:
        return LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
    case Cursor::Default:
        break;
    }
    return LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
}

bool KeyOf(WPARAM virtualKey, Key& key) {
    static const std::pair<WPARAM, Key> kKeys[] = {{VK_LEFT, Key::Left},   {VK_RIGHT, Key::Right},
                                                   {VK_HOME, Key::Home},   {VK_END, Key::End},
                                                   {VK_SPACE, Key::Space}, {VK_ESCAPE, Key::Escape},
                                                   {VK_UP, Key::Up},       {VK_DOWN, Key::Down}};
    for (const auto& [code, ours] : kKeys)
        if (code == virtualKey) {
            key = ours;
            return true;
        }
    return false;
}

void PaintImage(HWND hwnd, FormState& state) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    state.canvas->Presented();
    const PixelBuffer& pixels = state.form->Image().Pixels();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = pixels.Width();
    info.bmiHeader.biHeight = -pixels.Height(); // top row first, as the buffer holds them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(pixels.Width()),
                      static_cast<DWORD>(pixels.Height()), 0, 0, 0,
                      static_cast<UINT>(pixels.Height()), pixels.Data(), &info, DIB_RGB_COLORS);
    EndPaint(hwnd, &paint);
}

LRESULT CALLBACK FormProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    FormState* state = StateOf(hwnd);
    LRESULT result = 0;
    if (state == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (HandleChildMessage(hwnd, message, wParam, lParam, result))
        return result;
    Form& form = *state->form;
    switch (message) {
    case WM_PAINT:
        PaintImage(hwnd, *state);
        return 0;
    case WM_ERASEBKGND:
        return 1; // the picture covers the client area
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED)
            return 0;
        form.Image().Resize(std::max(form.ClientWidth(), 1), std::max(form.ClientHeight(), 1));
        if (state->bottomStrip != nullptr)
            MoveWindow(state->bottomStrip, 0, HIWORD(lParam) - state->bottomHeight, LOWORD(lParam),
                       state->bottomHeight, TRUE);
        if (form.OnResize)
            Dispatch(form.OnResize);
        return 0;
    case WM_MOVE:
        if (form.OnMove)
            Dispatch(form.OnMove);
        return 0;
    case WM_SETCURSOR:
        // Busy and hourglass cover the controls too; the arrow leaves them theirs.
        if (LOWORD(lParam) == HTCLIENT &&
            (reinterpret_cast<HWND>(wParam) == hwnd || form.CurrentCursor() != Cursor::Default)) {
            SetCursor(CursorOf(form.CurrentCursor()));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        // Only presses on the window's own free area arrive here; the free area's
        // keys come here from then on.
        SetFocus(hwnd);
        SetCapture(hwnd);
        (message == WM_LBUTTONDOWN ? state->leftPressed : state->rightPressed) = true;
        if (message == WM_LBUTTONDOWN)
            form.LeftPress(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSEMOVE:
        // The capture brings the moves outside the window too while the button is held.
        if (state->leftPressed)
            form.PointerMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        const bool left = message == WM_LBUTTONUP;
        const bool pressed = left ? state->leftPressed : state->rightPressed;
        (left ? state->leftPressed : state->rightPressed) = false;
        ReleaseCapture();
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        if (left && pressed && form.LeftRelease(x, y))
            return 0;
        if (pressed && x >= 0 && y >= 0 && x < form.ClientWidth() && y < form.ClientHeight()) {
            if (left)
                form.Click();
            else
                form.RightClick(x, y);
        }
        return 0;
    }
    case WM_KEYDOWN: {
        Key key;
        const bool shift = GetKeyState(VK_SHIFT) < 0;
        const bool modified = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
        if (!modified && KeyOf(wParam, key)) {
            form.KeyPress(key, shift);
            return 0;
        }
        break;
    }
    case WM_TIMER: {
        void* id = reinterpret_cast<void*>(wParam);
        if (LiveTimers().count(id) != 0)
            (*static_cast<Timer**>(id))->Fire();
        return 0;
    }
    case kRunTaskMessage: {
        auto* task = reinterpret_cast<std::function<void()>*>(lParam);
        Dispatch(*task);
        delete task;
        return 0;
    }
    case kOpenPopupMessage:
        OpenPopup(
            lParam, static_cast<int>(static_cast<std::uint32_t>(wParam)),
            static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wParam) >> 32)));
        return 0;
    case WM_CLOSE:
        if (!state->closing) {
            state->closing = true;
            if (form.OnClose)
                Dispatch(form.OnClose);
        }
        // Closing hides the window; the program ends when its last shown window closes.
        if (IsWindowVisible(hwnd)) {
            ShowWindow(hwnd, SW_HIDE);
            if (!AnyFormShown())
                Application::Quit();
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

// Control ------------------------------------------------------------------------

Control::Control(NativeControl* native) : native_(native) {}

Control::~Control() {
    if (native_->hwnd != nullptr && IsWindow(native_->hwnd)) {
        // The children's windows go with this one, before their controls do.
        EnumChildWindows(
            native_->hwnd,
            [](HWND child, LPARAM) -> BOOL {
                if (NativeControl* native = NativeOf(child); native != nullptr)
                    native->hwnd = nullptr;
                SetWindowLongPtrW(child, GWLP_USERDATA, 0);
                return TRUE;
            },
            0);
        SetWindowLongPtrW(native_->hwnd, GWLP_USERDATA, 0);
        DestroyWindow(native_->hwnd);
    }
    if (native_->font != nullptr)
        DeleteObject(native_->font);
    delete native_;
}

void Control::SetBounds(int left, int top, int width, int height) {
    MoveWindow(native_->hwnd, left, top, width, height, TRUE);
}

namespace {
RECT BoundsInParent(HWND hwnd) {
    RECT bounds{};
    GetWindowRect(hwnd, &bounds);
    if (HWND parent = GetParent(hwnd);
        parent != nullptr && (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}
} // namespace

int Control::Left() const {
    return BoundsInParent(native_->hwnd).left;
}
int Control::Top() const {
    return BoundsInParent(native_->hwnd).top;
}
int Control::Width() const {
    const RECT r = BoundsInParent(native_->hwnd);
    return r.right - r.left;
}
int Control::Height() const {
    const RECT r = BoundsInParent(native_->hwnd);
    return r.bottom - r.top;
}

// The control's own flag, whatever its parent's.
bool Control::Visible() const {
    return (GetWindowLongW(native_->hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::SetVisible(bool visible) {
    // A window shown comes to the front; a control shown leaves the focus where it is.
    const bool window = native_->kind == NativeControl::Kind::Form;
    ShowWindow(native_->hwnd, !visible ? SW_HIDE : window ? SW_SHOW : SW_SHOWNA);
}

void Control::SetEnabled(bool enabled) {
    EnableWindow(native_->hwnd, enabled);
}

void ShowHint(NativeControl& native, std::string_view hint) {
    // A tooltip window of the control's own, made at the first hint.
    HWND tip = reinterpret_cast<HWND>(GetPropW(native.hwnd, L"DuruzHint"));
    if (tip == nullptr) {
        if (hint.empty())
            return;
        tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              native.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetPropW(native.hwnd, L"DuruzHint", tip);
    }
    std::wstring text = Widen(hint, kCp1252);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = native.hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(native.hwnd);
    tool.lpszText = text.data();
    SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!text.empty())
        SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Control::SetHint(std::string_view hint) {
    native_->hint = std::string(hint);
    ShowHint(*native_, hint);
}

void Control::SetFont(std::string_view family, int pixelHeight) {
    HFONT font = CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, Widen(family, kCp1252).c_str());
    if (font == nullptr)
        return;
    SendMessageW(native_->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (native_->font != nullptr)
        DeleteObject(native_->font);
    native_->font = font;
}

void Control::SetTextColor(Color color) {
    native_->hasTextColor = true;
    native_->textColor = color; // 0x00BBGGRR is a COLORREF already
    InvalidateRect(native_->hwnd, nullptr, TRUE);
}

void Control::SetTabStop(bool tabStop) {
    LONG_PTR style = GetWindowLongPtrW(native_->hwnd, GWL_STYLE);
    style = tabStop ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    SetWindowLongPtrW(native_->hwnd, GWL_STYLE, style);
}

NativeControl* NativeOf(HWND hwnd) {
    return reinterpret_cast<NativeControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// Form ---------------------------------------------------------------------------

namespace {
NativeControl* MakeFormWindow() {
    RegisterWindowClasses();
    auto* native = new NativeControl;
    native->kind = NativeControl::Kind::Form;
    native->hwnd = CreateWindowExW(0, kFormClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                   CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    if (native->hwnd == nullptr) {
        delete native;
        throw ToolkitError("The window could not be made (error " + std::to_string(GetLastError()) +
                           ").");
    }
    SetWindowLongPtrW(native->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(native));
    return native;
}
} // namespace

Form::Form() : Control(MakeFormWindow()) {
    canvas_ = std::make_unique<ImageCanvas>(1, 1, kWindowBackground);
    formCanvas_ = std::make_unique<Win32FormCanvas>(*canvas_, *this);
    auto* state = new FormState{this, formCanvas_.get()};
    SetPropW(HwndOf(*this), L"DuruzForm", state);
    canvas_->Resize(std::max(ClientWidth(), 1), std::max(ClientHeight(), 1));
}

Form::~Form() {
    HWND hwnd = HwndOf(*this);
    FormState* state = StateOf(hwnd);
    RemovePropW(hwnd, L"DuruzForm");
    // Tasks still queued for the window are dropped with it.
    MSG pending;
    while (PeekMessageW(&pending, hwnd, kRunTaskMessage, kRunTaskMessage, PM_REMOVE))
        delete reinterpret_cast<std::function<void()>*>(pending.lParam);
    delete state;
}

void Form::SetCaption(std::string_view caption) {
    SetWindowTextW(HwndOf(*this), Widen(caption, kCp1252).c_str());
}

std::string Form::Caption() const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(HwndOf(*this))) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(HwndOf(*this), text.data(), static_cast<int>(text.size()))));
    return Narrow(text, kCp1252);
}

namespace {
// The outer size of a window whose client area (strip included) is width x height.
SIZE OuterSize(HWND hwnd, int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)));
    return {r.right - r.left, r.bottom - r.top};
}

int StripHeight(HWND hwnd) {
    FormState* state = StateOf(hwnd);
    return state != nullptr ? state->bottomHeight : 0;
}

RECT ClientRect(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

void ResizeClient(HWND hwnd, int width, int height) {
    const SIZE outer = OuterSize(hwnd, width, height);
    SetWindowPos(hwnd, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The place and size the window has when not maximised.
RECT NormalRect(HWND hwnd) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(hwnd, &placement);
    return placement.rcNormalPosition;
}
} // namespace

void Form::SetClientSize(int width, int height) {
    ResizeClient(HwndOf(*this), width, height + StripHeight(HwndOf(*this)));
}
int Form::ClientWidth() const {
    return ClientRect(HwndOf(*this)).right;
}
int Form::ClientHeight() const {
    return ClientRect(HwndOf(*this)).bottom - StripHeight(HwndOf(*this));
}

void ReserveBottomStrip(Form& form, HWND strip, int height) {
    HWND hwnd = HwndOf(form);
    FormState* state = StateOf(hwnd);
    const int clientHeight = form.ClientHeight();
    state->bottomStrip = strip;
    state->bottomHeight = height;
    MoveWindow(strip, 0, clientHeight, form.ClientWidth(), height, TRUE);
    ResizeClient(hwnd, form.ClientWidth(), clientHeight + height);
}

void Form::SetLeft(int left) {
    SetWindowPos(HwndOf(*this), nullptr, left, FormTop(), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void Form::SetTop(int top) {
    SetWindowPos(HwndOf(*this), nullptr, FormLeft(), top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The window's size is kept as its client size, as the Linux window keeps it.
void Form::SetWidth(int width) {
    ResizeClient(HwndOf(*this), std::max(1, width), ClientRect(HwndOf(*this)).bottom);
}

void Form::SetHeight(int height) {
    ResizeClient(HwndOf(*this), ClientWidth(), std::max(1, height) + StripHeight(HwndOf(*this)));
}

// A maximised window reports the place it returns to, so that is what is kept.
int Form::FormLeft() const {
    if (IsZoomed(HwndOf(*this)))
        return NormalRect(HwndOf(*this)).left;
    RECT r{};
    GetWindowRect(HwndOf(*this), &r);
    return r.left;
}

int Form::FormTop() const {
    if (IsZoomed(HwndOf(*this)))
        return NormalRect(HwndOf(*this)).top;
    RECT r{};
    GetWindowRect(HwndOf(*this), &r);
    return r.top;
}

int Form::FormWidth() const {
    if (!IsZoomed(HwndOf(*this)))
        return ClientWidth();
    const RECT normal = NormalRect(HwndOf(*this));
    const SIZE frame = OuterSize(HwndOf(*this), 0, 0);
    return normal.right - normal.left - frame.cx;
}

int Form::FormHeight() const {
    if (!IsZoomed(HwndOf(*this)))
        return ClientHeight();
    const RECT normal = NormalRect(HwndOf(*this));
    const SIZE frame = OuterSize(HwndOf(*this), 0, 0);
    return normal.bottom - normal.top - frame.cy - StripHeight(HwndOf(*this));
}

void Form::SetCursor(Cursor cursor) {
    cursor_ = cursor;
    POINT at;
    // The pointer over the window changes at once, not at its next move.
    if (GetCursorPos(&at) && WindowFromPoint(at) == HwndOf(*this))
        ::SetCursor(CursorOf(cursor));
}

void Form::RunOnWindowThread(std::function<void()> task) {
    if (GetWindowThreadProcessId(HwndOf(*this), nullptr) == GetCurrentThreadId()) {
        Dispatch(task);
        return;
    }
    auto* queued = new std::function<void()>(std::move(task));
    if (!PostMessageW(HwndOf(*this), kRunTaskMessage, 0, reinterpret_cast<LPARAM>(queued)))
        delete queued;
}

void Form::ShowMaximized() {
    ShowWindow(HwndOf(*this), SW_SHOWMAXIMIZED);
}

void Form::ShowAndRaise() {
    HWND hwnd = HwndOf(*this);
    StateOf(hwnd)->closing = false;
    ShowWindow(hwnd, IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd);
}

void Form::Close() {
    SendMessageW(HwndOf(*this), WM_CLOSE, 0, 0);
}

void Form::FocusFreeArea() {
    SetFocus(HwndOf(*this));
}

// Timer --------------------------------------------------------------------------

// Its first member is the timer, so a WM_TIMER's id leads back to it.
struct Timer::Impl {
    Timer* timer;
    HWND owner;
    int interval;
    bool enabled = false;
};

Timer::Timer(Form& owner, int intervalMs)
    : impl_(std::make_unique<Impl>(Impl{this, HwndOf(owner), intervalMs})) {
    LiveTimers().insert(impl_.get());
}

Timer::~Timer() {
    SetEnabled(false);
    LiveTimers().erase(impl_.get());
}

int Timer::Interval() const {
    return impl_->interval;
}

void Timer::SetEnabled(bool enabled) {
    const auto id = reinterpret_cast<UINT_PTR>(impl_.get());
    if (enabled && !impl_->enabled)
        impl_->enabled =
            SetTimer(impl_->owner, id, static_cast<UINT>(impl_->interval), nullptr) != 0;
    else if (!enabled && impl_->enabled) {
        KillTimer(impl_->owner, id);
        impl_->enabled = false;
    }
}

bool Timer::Enabled() const {
    return impl_->enabled;
}

void Timer::Fire() {
    if (OnTimer)
        Dispatch(OnTimer);
}

// Window classes ------------------------------------------------------------------

const wchar_t* const kFormClass = L"DuruzForm";
const wchar_t* const kPanelClass = L"DuruzPanel";
const wchar_t* const kSpinListClass = L"DuruzSpinList";
const wchar_t* const kStripClass = L"DuruzStatusStrip";

namespace {
LRESULT CALLBACK PanelProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleChildMessage(hwnd, message, wParam, lParam, result))
        return result;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Register(const wchar_t* name, WNDPROC procedure, HBRUSH background, UINT style = 0) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}
} // namespace

void RegisterWindowClasses() {
    static const bool registered = [] {
        const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                            ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
        Register(kFormClass, FormProcedure, nullptr, CS_DBLCLKS);
        Register(kPanelClass, PanelProcedure, face);
        Register(kSpinListClass, SpinListProcedure, GetSysColorBrush(COLOR_WINDOW), CS_DBLCLKS);
        Register(kStripClass, StripProcedure, face);
        return true;
    }();
    (void)registered;
}

} // namespace tk
