#pragma once

#include "toolkit/control.h"
#include "toolkit/controls.h"

#include <windows.h>
// windows.h names TextOutA or TextOutW TextOut, which is also a canvas member's name.
#undef TextOut

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

class Form;

// What a control is on Windows: its window and the state a Win32 control does not keep
// itself. The control's window points back here through GWLP_USERDATA.
struct NativeControl {
    enum class Kind { Form, Panel, SpinList, ScrollBar, CheckBox, Edit, Button, Memo, Strip };
    Kind kind = Kind::Panel;
    HWND hwnd = nullptr;
    HFONT font = nullptr; // our own font, deleted with the control
    bool hasTextColor = false;
    COLORREF textColor = 0; // 0x00BBGGRR, the layout GDI takes
    bool label = false;     // an edit box shown as a label
    std::string hint;       // the control's own tooltip, Windows-1252
    // Runs the control's reaction to a notification its parent received (WM_COMMAND's
    // code, or a scroll request).
    std::function<void(int code)> onNotify;
    // The spin list's rows.
    std::vector<std::string> rows;
    std::vector<std::string> hints;
    int selected = -1;
    int top = 0;
    std::function<void(int row)> onUserSelect;
    std::function<void(int row)> onUserDoubleClick;
    // The scroll bar's range and position.
    int min = 0;
    int max = 0;
    int position = 0;
};

// Windows-1252 (the controls' texts) and UTF-8 (paths, menus, the strip) to and from
// the UTF-16 Windows takes.
std::wstring Widen(std::string_view text, UINT codePage);
std::string Narrow(std::wstring_view text, UINT codePage);
constexpr UINT kCp1252 = 1252;

// Shows text (Windows-1252) as the control's tooltip; empty for none.
void ShowHint(NativeControl& native, std::string_view text);

inline HWND HwndOf(const Control& control) {
    return control.Native()->hwnd;
}
NativeControl* NativeOf(HWND hwnd);

// Makes a control's window as a child of parent (a form or a panel), its font the
// window's default one.
NativeControl* MakeChild(NativeControl::Kind kind, const Control& parent,
                         const wchar_t* windowClass, std::wstring_view text, DWORD style,
                         DWORD extendedStyle = 0);

// The window classes of our own: the form, a panel, the spin list and the status strip.
extern const wchar_t* const kFormClass;
extern const wchar_t* const kPanelClass;
extern const wchar_t* const kSpinListClass;
extern const wchar_t* const kStripClass;
void RegisterWindowClasses();
LRESULT CALLBACK SpinListProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StripProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// What a form and a panel do with their children's notifications and colours; true
// when handled, with the result in result.
bool HandleChildMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Keeps a strip of the given height along the form's bottom edge, outside the client
// area the form reports: the window grows by the strip.
void ReserveBottomStrip(Form& form, HWND strip, int height);

// The window keys of the open popup menus' shortcuts: true when the key ran one.
bool RunShortcut(const MSG& message);

// Opens a popup menu that Popup asked for, if it still exists.
void OpenPopup(LPARAM menu, int x, int y);

// Messages the form posts to itself.
constexpr UINT kRunTaskMessage = WM_APP + 1; // lParam: a new std::function<void()>
constexpr UINT kOpenPopupMessage =
    WM_APP + 2; // lParam: the PopupMenu, wParam: x, and y in the upper 32 bits

} // namespace tk
