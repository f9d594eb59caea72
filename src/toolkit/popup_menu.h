#pragma once

#include "toolkit/controls.h"

#include <memory>
#include <string>
#include <string_view>

namespace tk {

class Form;

// A context menu of the window. Each item's shortcut also works on the whole
// window while the menu is closed. Captions are UTF-8.
class PopupMenu {
public:
    explicit PopupMenu(Form& owner);
    ~PopupMenu();

    // shortcut as modifiers and key joined by '+', e.g. "Ctrl+S"; empty for none.
    void Add(std::string_view caption, std::string_view shortcut, Handler handler);
    int Count() const;
    std::string Caption(int item) const;
    void SetCaption(int item, std::string_view caption);
    std::string Shortcut(int item) const;
    // A disabled item is shown greyed and neither it nor its shortcut does anything.
    void SetEnabled(int item, bool enabled);
    // A check mark beside the item; choosing it leaves the mark to the handler.
    void SetChecked(int item, bool checked);
    bool Checked(int item) const;
    // Items added after BeginSubmenu open from an item of this caption, until
    // EndSubmenu. They count, are chosen and have their shortcuts as any other item.
    void BeginSubmenu(std::string_view caption);
    void EndSubmenu();
    // The caption of the submenu the item is in; empty for the menu itself.
    std::string SubmenuOf(int item) const;
    // What choosing the item does.
    void Choose(int item);

    // Opens the menu at client coordinates and returns at once.
    void Popup(int x, int y);
    bool IsOpen() const;
    void CloseMenu();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tk
