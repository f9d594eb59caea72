#include "toolkit/status_strip.h"

#include "toolkit/form.h"
#include "toolkit/qt/widget.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>

#include <vector>

namespace tk {

namespace {

// Takes the mouse, so a click on the strip never reaches the form as a screen click.
class StripFrame : public QFrame {
protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
};

QString ColorStyle(Color color) {
    return QString("color: #%1%2%3;")
        .arg(color & 0xFF, 2, 16, QChar('0'))
        .arg((color >> 8) & 0xFF, 2, 16, QChar('0'))
        .arg((color >> 16) & 0xFF, 2, 16, QChar('0'));
}

} // namespace

struct StatusStrip::Impl {
    StripFrame* frame = nullptr;
    std::vector<QLabel*> labels;
    std::vector<Color> colors;
};

StatusStrip::StatusStrip(Form& form, std::initializer_list<int> widths)
    : impl_(std::make_unique<Impl>()) {
    impl_->frame = new StripFrame;
    impl_->frame->setFrameShape(QFrame::NoFrame);
    // Its own opaque background: the window behind it is black, and labels that are
    // not cleared before they repaint would show old texts through new ones.
    QPalette palette = impl_->frame->palette();
    palette.setColor(QPalette::Window, QColor(0xF0, 0xF0, 0xF0));
    palette.setColor(QPalette::WindowText, Qt::black);
    impl_->frame->setPalette(palette);
    impl_->frame->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(impl_->frame);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(8);
    std::size_t i = 0;
    for (int width : widths) {
        auto* label = new QLabel(impl_->frame);
        label->setTextFormat(Qt::PlainText);
        if (++i < widths.size())
            label->setFixedWidth(width);
        else
            label->setMinimumWidth(width);
        layout->addWidget(label, i < widths.size() ? 0 : 1);
        impl_->labels.push_back(label);
        impl_->colors.push_back(0x000000);
    }
    // The form owns the widget from here on and places it under the client area.
    ReserveBottomStrip(form, impl_->frame, kHeight);
}

StatusStrip::~StatusStrip() = default;

int StatusStrip::Count() const {
    return static_cast<int>(impl_->labels.size());
}

void StatusStrip::SetText(int section, std::string_view text, Color color) {
    QLabel* label = impl_->labels.at(section);
    const QString value = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (label->text() != value)
        label->setText(value);
    if (impl_->colors[section] != color) {
        impl_->colors[section] = color;
        label->setStyleSheet(ColorStyle(color));
    }
}

std::string StatusStrip::Text(int section) const {
    return impl_->labels.at(section)->text().toStdString();
}

Color StatusStrip::TextColor(int section) const {
    return impl_->colors.at(section);
}

void StatusStrip::SetToolTip(int section, std::string_view text) {
    impl_->labels.at(section)->setToolTip(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

std::string StatusStrip::ToolTip(int section) const {
    return impl_->labels.at(section)->toolTip().toStdString();
}

void StatusStrip::SetShown(int section, bool shown) {
    impl_->labels.at(section)->setHidden(!shown);
}

bool StatusStrip::Shown(int section) const {
    return !impl_->labels.at(section)->isHidden();
}

} // namespace tk
