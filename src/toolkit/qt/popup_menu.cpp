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
    QMenu* menu = nullptr; // a child of the owner, deleted with it
    std::vector<QAction*> actions;
    std::vector<Handler> handlers;
};

PopupMenu::PopupMenu(Form& owner) : impl_(std::make_unique<Impl>()) {
    impl_->owner = WidgetOf(owner);
    impl_->menu = new QMenu(impl_->owner);
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
    impl_->menu->addAction(action);
    impl_->actions.push_back(action);
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
