#include "toolkit/control.h"

#include "toolkit/cp1252.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

namespace tk {

Control::Control(QWidget* widget) : widget_(widget) {}

// The widget belongs to its Qt parent, which deletes it.
Control::~Control() = default;

void Control::SetBounds(int left, int top, int width, int height) {
    widget_->setGeometry(left, top, width, height);
}

int Control::Left() const {
    return widget_->x();
}
int Control::Top() const {
    return widget_->y();
}
int Control::Width() const {
    return widget_->width();
}
int Control::Height() const {
    return widget_->height();
}

bool Control::Visible() const {
    return !widget_->isHidden();
}

void Control::SetVisible(bool visible) {
    widget_->setVisible(visible);
}

void Control::SetEnabled(bool enabled) {
    widget_->setEnabled(enabled);
}

void Control::SetHint(std::string_view hint) {
    widget_->setToolTip(FromCp1252(hint));
}

void Control::SetFont(std::string_view family, int pixelHeight) {
    QFont font(FromCp1252(family));
    font.setPixelSize(pixelHeight);
    widget_->setFont(font);
}

void Control::SetTextColor(Color color) {
    QPalette palette = widget_->palette();
    QColor qcolor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    palette.setColor(QPalette::Text, qcolor);
    palette.setColor(QPalette::WindowText, qcolor);
    palette.setColor(QPalette::ButtonText, qcolor);
    widget_->setPalette(palette);
}

void Control::SetTabStop(bool tabStop) {
    widget_->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace tk
