#include "toolkit/qt/spin_list_widget.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

namespace tk {

SpinListWidget::SpinListWidget(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize SpinListWidget::sizeHint() const {
    return {80, 17};
}

// The shown row's own hint, when it has one, before the widget's.
bool SpinListWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && top >= 0 && top < hints.size() &&
        !hints[top].isEmpty()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), hints[top], this);
        return true;
    }
    return QWidget::event(event);
}

void SpinListWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect box = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const bool shownIsSelected = top == selected && selected >= 0;
    const QRect textArea(1, 1, width() - kArrowWidth - 2, height() - 2);
    if (shownIsSelected)
        p.fillRect(textArea, palette().color(hasFocus() ? QPalette::Highlight : QPalette::Mid));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(box);
    if (top >= 0 && top < rows.size()) {
        p.setPen(palette().color(shownIsSelected && hasFocus() ? QPalette::HighlightedText
                                                               : QPalette::Text));
        p.drawText(textArea.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, rows[top]);
    }
    // The two step arrows.
    const int ax = width() - kArrowWidth;
    const int mid = height() / 2;
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(ax, 0, ax, height());
    p.setBrush(palette().color(isEnabled() ? QPalette::WindowText : QPalette::Mid));
    p.setPen(Qt::NoPen);
    const int cx = ax + kArrowWidth / 2;
    p.drawPolygon(
        QPolygon({QPoint(cx - 3, mid - 2), QPoint(cx + 3, mid - 2), QPoint(cx, mid - 5)}));
    p.drawPolygon(
        QPolygon({QPoint(cx - 3, mid + 2), QPoint(cx + 3, mid + 2), QPoint(cx, mid + 5)}));
}

void SpinListWidget::Step(int delta) {
    if (rows.isEmpty())
        return;
    const int from = (selected >= 0 && selected < rows.size()) ? selected : top;
    const int to = std::clamp(from + delta, 0, static_cast<int>(rows.size()) - 1);
    if (to == selected)
        return;
    if (onUserSelect)
        onUserSelect(to);
}

void SpinListWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    if (pos.x() >= width() - kArrowWidth) {
        Step(pos.y() < height() / 2 ? -1 : 1);
    } else if (top >= 0 && top < rows.size() && onUserSelect) {
        onUserSelect(top);
    }
}

void SpinListWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (pos.x() >= width() - kArrowWidth) {
        mousePressEvent(event);
        return;
    }
    if (top >= 0 && top < rows.size() && onUserDoubleClick)
        onUserDoubleClick(top);
}

void SpinListWidget::wheelEvent(QWheelEvent* event) {
    const int dy = event->angleDelta().y();
    if (dy != 0)
        Step(dy > 0 ? -1 : 1);
    event->accept();
}

void SpinListWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        Step(-1);
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        Step(1);
        break;
    case Qt::Key_Home:
        Step(-static_cast<int>(rows.size()));
        break;
    case Qt::Key_End:
        Step(static_cast<int>(rows.size()));
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace tk
