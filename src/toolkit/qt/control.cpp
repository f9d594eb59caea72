#include "toolkit/control.h"

#include "toolkit/qt/cp1252.h"
#include "toolkit/qt/widget.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

namespace tk {

Control::Control(NativeControl* native) : native_(native) {}

// The widget belongs to its Qt parent, which deletes it.
Control::~Control() = default;

void Control::SetBounds(int left, int top, int width, int height) {
    WidgetOf(*this)->setGeometry(left, top, width, height);
}

int Control::Left() const {
    return WidgetOf(*this)->x();
}
int Control::Top() const {
    return WidgetOf(*this)->y();
}
int Control::Width() const {
    return WidgetOf(*this)->width();
}
int Control::Height() const {
    return WidgetOf(*this)->height();
}

bool Control::Visible() const {
    return !WidgetOf(*this)->isHidden();
}

void Control::SetVisible(bool visible) {
    WidgetOf(*this)->setVisible(visible);
}

void Control::SetEnabled(bool enabled) {
    WidgetOf(*this)->setEnabled(enabled);
}

void Control::SetHint(std::string_view hint) {
    WidgetOf(*this)->setToolTip(FromCp1252(hint));
}

void Control::SetFont(std::string_view family, int pixelHeight) {
    QFont font(FromCp1252(family));
    font.setPixelSize(pixelHeight);
    WidgetOf(*this)->setFont(font);
}

void Control::SetTextColor(Color color) {
    QPalette palette = WidgetOf(*this)->palette();
    QColor qcolor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    palette.setColor(QPalette::Text, qcolor);
    palette.setColor(QPalette::WindowText, qcolor);
    palette.setColor(QPalette::ButtonText, qcolor);
    WidgetOf(*this)->setPalette(palette);
}

void Control::SetTabStop(bool tabStop) {
    WidgetOf(*this)->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace tk
