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
    QHBoxLayout* layout = nullptr;
    std::vector<QLabel*> labels;
    std::vector<int> widths;
    std::vector<bool> shown; // as set, whether the strip itself is shown yet or not
    std::vector<Color> colors;

    // The last shown section stretches over the room left; the others keep their
    // widths.
    void Restretch() {
        std::size_t last = labels.size();
        for (std::size_t i = 0; i < labels.size(); ++i)
            if (shown[i])
                last = i;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (i == last) {
                labels[i]->setMinimumWidth(widths[i]);
                labels[i]->setMaximumWidth(QWIDGETSIZE_MAX);
            } else {
                labels[i]->setFixedWidth(widths[i]);
            }
            layout->setStretch(static_cast<int>(i), i == last ? 1 : 0);
        }
    }
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
    impl_->layout = new QHBoxLayout(impl_->frame);
    impl_->layout->setContentsMargins(4, 0, 4, 0);
    impl_->layout->setSpacing(8);
    for (int width : widths) {
        auto* label = new QLabel(impl_->frame);
        label->setTextFormat(Qt::PlainText);
        impl_->layout->addWidget(label);
        impl_->labels.push_back(label);
        impl_->widths.push_back(width);
        impl_->shown.push_back(true);
        impl_->colors.push_back(0x000000);
    }
    impl_->Restretch();
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
    if (impl_->shown.at(section) == shown)
        return;
    impl_->shown[section] = shown;
    impl_->labels[section]->setHidden(!shown);
    impl_->Restretch();
}

bool StatusStrip::Shown(int section) const {
    return impl_->shown.at(section);
}

} // namespace tk
