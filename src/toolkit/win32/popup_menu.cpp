#include "toolkit/popup_menu.h"

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/win32/native.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

namespace tk {

namespace {

// A shortcut as the keyboard gives it.
struct KeyChord {
    bool control = false;
    bool shift = false;
    bool alt = false;
    UINT key = 0; // a virtual key; 0 for none
    bool operator==(const KeyChord&) const = default;
};

// "Ctrl+Shift+S", "Alt+F4", "F5", "Del"; an unknown key gives none.
KeyChord ChordOf(std::string_view text) {
    KeyChord chord;
    while (!text.empty()) {
        const std::size_t plus = text.find('+', 1);
        const std::string_view part = text.substr(0, plus);
        if (part == "Ctrl")
            chord.control = true;
        else if (part == "Shift")
            chord.shift = true;
        else if (part == "Alt")
            chord.alt = true;
        else if (part.size() == 1 && std::isalnum(static_cast<unsigned char>(part[0])))
            chord.key = static_cast<UINT>(std::toupper(static_cast<unsigned char>(part[0])));
        else if (part.size() >= 2 && part[0] == 'F' &&
                 std::isdigit(static_cast<unsigned char>(part[1])))
            chord.key = static_cast<UINT>(VK_F1 + std::stoi(std::string(part.substr(1))) - 1);
        else if (part == "Del")
            chord.key = VK_DELETE;
        else if (part == "Ins")
            chord.key = VK_INSERT;
        else
            return {};
        if (plus == text.npos)
            break;
        text.remove_prefix(plus + 1);
    }
    return chord;
}

// An edit box keeps its own clipboard and undo keys.
bool EditKeepsKey(HWND focus, const KeyChord& chord) {
    wchar_t name[16] = {};
    GetClassNameW(focus, name, 16);
    return lstrcmpiW(name, L"Edit") == 0 && chord.control && !chord.shift && !chord.alt &&
           std::string_view("CXVAZ").find(static_cast<char>(chord.key)) != std::string_view::npos;
}

std::wstring MenuText(std::string_view caption, std::string_view shortcut) {
    std::wstring text;
    for (wchar_t c : Widen(caption, CP_UTF8)) {
        if (c == L'&')
            text += L'&'; // a plain ampersand, not a mnemonic
        text += c;
    }
    if (!shortcut.empty())
        text += L'\t' + Widen(shortcut, CP_UTF8);
    return text;
}

} // namespace

// The menu's state, which the message loop's shortcut check and the posted opening reach too.
struct MenuState {
    PopupMenu* menu = nullptr;
    HWND owner = nullptr;
    struct Item {
        std::string caption;
        std::string shortcut;
        KeyChord chord;
        bool enabled = true;
        Handler handler;
        std::string submenu; // empty for the menu itself
        bool checked = false;
    };
    std::vector<Item> items;
    std::string adding; // the submenu Add puts items into
    bool open = false;
};

struct PopupMenu::Impl : MenuState {};

namespace {
std::set<MenuState*>& LiveMenus() {
    static std::set<MenuState*> menus;
    return menus;
}
} // namespace

PopupMenu::PopupMenu(Form& owner) : impl_(std::make_unique<Impl>()) {
    impl_->menu = this;
    impl_->owner = HwndOf(owner);
    LiveMenus().insert(impl_.get());
}

PopupMenu::~PopupMenu() {
    CloseMenu();
    LiveMenus().erase(impl_.get());
}

void PopupMenu::Add(std::string_view caption, std::string_view shortcut, Handler handler) {
    impl_->items.push_back({std::string(caption), std::string(shortcut), ChordOf(shortcut), true,
                            std::move(handler), impl_->adding, false});
}

int PopupMenu::Count() const {
    return static_cast<int>(impl_->items.size());
}

std::string PopupMenu::Caption(int item) const {
    return impl_->items.at(static_cast<std::size_t>(item)).caption;
}

void PopupMenu::SetCaption(int item, std::string_view caption) {
    impl_->items.at(static_cast<std::size_t>(item)).caption = std::string(caption);
}

std::string PopupMenu::Shortcut(int item) const {
    return impl_->items.at(static_cast<std::size_t>(item)).shortcut;
}

void PopupMenu::SetEnabled(int item, bool enabled) {
    impl_->items.at(static_cast<std::size_t>(item)).enabled = enabled;
}

void PopupMenu::SetChecked(int item, bool checked) {
    impl_->items.at(static_cast<std::size_t>(item)).checked = checked;
}

bool PopupMenu::Checked(int item) const {
    return impl_->items.at(static_cast<std::size_t>(item)).checked;
}

void PopupMenu::BeginSubmenu(std::string_view caption) {
    impl_->adding = std::string(caption);
}

void PopupMenu::EndSubmenu() {
    impl_->adding.clear();
}

std::string PopupMenu::SubmenuOf(int item) const {
    return impl_->items.at(static_cast<std::size_t>(item)).submenu;
}

void PopupMenu::Choose(int item) {
    const MenuState::Item& chosen = impl_->items.at(static_cast<std::size_t>(item));
    if (chosen.handler && chosen.enabled)
        Dispatch(chosen.handler);
}

// The menu opens from the message loop: TrackPopupMenuEx runs a loop of its own
// until the user chooses, and the caller goes on at once.
void PopupMenu::Popup(int x, int y) {
    const WPARAM at =
        static_cast<std::uint32_t>(x) | (static_cast<WPARAM>(static_cast<std::uint32_t>(y)) << 32);
    PostMessageW(impl_->owner, kOpenPopupMessage, at,
                 reinterpret_cast<LPARAM>(static_cast<MenuState*>(impl_.get())));
    impl_->open = true;
}

bool PopupMenu::IsOpen() const {
    return impl_->open;
}

void PopupMenu::CloseMenu() {
    if (impl_->open)
        EndMenu();
    impl_->open = false;
}

void OpenPopup(LPARAM menu, int x, int y) {
    auto* impl = reinterpret_cast<MenuState*>(menu);
    if (LiveMenus().count(impl) == 0)
        return;
    if (!impl->open)
        return; // closed before it opened
    HMENU popup = CreatePopupMenu();
    // Items of one submenu follow each other; the submenu goes where its first item is.
    HMENU submenu = nullptr;
    for (std::size_t i = 0; i < impl->items.size(); ++i) {
        const auto& item = impl->items[i];
        if (item.submenu.empty()) {
            submenu = nullptr;
        } else if (submenu == nullptr || impl->items[i - 1].submenu != item.submenu) {
            submenu = CreatePopupMenu(); // destroyed with the menu it is appended to
            AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu),
                        MenuText(item.submenu, "").c_str());
        }
        AppendMenuW(submenu ? submenu : popup,
                    MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED) |
                        (item.checked ? MF_CHECKED : MF_UNCHECKED),
                    i + 1, MenuText(item.caption, item.shortcut).c_str());
    }
    POINT at{x, y};
    ClientToScreen(impl->owner, &at);
    const int chosen = static_cast<int>(TrackPopupMenuEx(
        popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, impl->owner, nullptr));
    DestroyMenu(popup);
    if (LiveMenus().count(impl) == 0)
        return; // the menu went while it was open
    impl->open = false;
    if (chosen > 0)
        impl->menu->Choose(chosen - 1);
}

bool RunShortcut(const MSG& message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN)
        return false;
    KeyChord pressed;
    pressed.control = GetKeyState(VK_CONTROL) < 0;
    pressed.shift = GetKeyState(VK_SHIFT) < 0;
    pressed.alt = GetKeyState(VK_MENU) < 0;
    pressed.key = static_cast<UINT>(message.wParam);
    if (EditKeepsKey(message.hwnd, pressed))
        return false;
    HWND window = GetAncestor(message.hwnd, GA_ROOT);
    for (MenuState* impl : LiveMenus()) {
        if (impl->owner != window)
            continue;
        for (std::size_t i = 0; i < impl->items.size(); ++i)
            if (impl->items[i].chord.key != 0 && impl->items[i].chord == pressed) {
                impl->menu->Choose(static_cast<int>(i));
                return true;
            }
    }
    return false;
}

} // namespace tk
