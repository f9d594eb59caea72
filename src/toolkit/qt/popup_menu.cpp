#include "toolkit/popup_menu.h"

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/qt/widget.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

#include <vector>

namespace tk {

struct PopupMenu::Impl {
    QWidget* owner = nullptr;
    QMenu* menu = nullptr;   // a child of the owner, deleted with it
    QMenu* adding = nullptr; // where Add puts items: the menu or a submenu of it
    std::vector<QAction*> actions;
    std::vector<std::string> submenus; // each item's submenu caption
    std::vector<Handler> handlers;
};

PopupMenu::PopupMenu(Form& owner) : impl_(std::make_unique<Impl>()) {
    impl_->owner = WidgetOf(owner);
    impl_->menu = new QMenu(impl_->owner);
    impl_->adding = impl_->menu;
}

PopupMenu::~PopupMenu() = default;

void PopupMenu::Add(std::string_view caption, std::string_view shortcut, Handler handler) {
    auto* action = new QAction(
        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), impl_->menu);
    if (!shortcut.empty()) {
        action->setShortcut(QKeySequence(
            QString::fromUtf8(shortcut.data(), static_cast<qsizetype>(shortcut.size()))));
        action->setShortcutContext(Qt::WindowShortcut);
        impl_->owner->addAction(action); // the shortcut works with the menu closed
    }
    const int item = Count();
    QObject::connect(action, &QAction::triggered, impl_->menu, [this, item] { Choose(item); });
    impl_->adding->addAction(action);
    impl_->actions.push_back(action);
    impl_->submenus.push_back(impl_->adding == impl_->menu ? std::string()
                                                           : impl_->adding->title().toStdString());
    impl_->handlers.push_back(std::move(handler));
}

int PopupMenu::Count() const {
    return static_cast<int>(impl_->actions.size());
}

std::string PopupMenu::Caption(int item) const {
    return impl_->actions.at(item)->text().toStdString();
}

void PopupMenu::SetCaption(int item, std::string_view caption) {
    impl_->actions.at(item)->setText(
        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
}

std::string PopupMenu::Shortcut(int item) const {
    return impl_->actions.at(item)->shortcut().toString(QKeySequence::PortableText).toStdString();
}

void PopupMenu::SetEnabled(int item, bool enabled) {
    impl_->actions.at(item)->setEnabled(enabled);
}

void PopupMenu::SetChecked(int item, bool checked) {
    QAction* action = impl_->actions.at(item);
    action->setCheckable(true);
    action->setChecked(checked);
}

bool PopupMenu::Checked(int item) const {
    return impl_->actions.at(item)->isChecked();
}

void PopupMenu::BeginSubmenu(std::string_view caption) {
    impl_->adding = impl_->menu->addMenu(
        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
}

void PopupMenu::EndSubmenu() {
    impl_->adding = impl_->menu;
}

std::string PopupMenu::SubmenuOf(int item) const {
    return impl_->submenus.at(static_cast<std::size_t>(item));
}

void PopupMenu::Choose(int item) {
    if (impl_->handlers.at(item) && impl_->actions[item]->isEnabled())
        Dispatch(impl_->handlers[item]);
}

void PopupMenu::Popup(int x, int y) {
    impl_->menu->popup(impl_->owner->mapToGlobal(QPoint(x, y)));
}

bool PopupMenu::IsOpen() const {
    return impl_->menu->isVisible();
}

void PopupMenu::CloseMenu() {
    impl_->menu->close();
}

} // namespace tk
