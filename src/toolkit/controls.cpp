#include "toolkit/controls.h"

#include "toolkit/application.h"
#include "toolkit/cp1252.h"
#include "toolkit/spin_list_widget.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace tk {

namespace {

SpinListWidget* Spin(QWidget* w) {
    return static_cast<SpinListWidget*>(w);
}

// Lets only digits (and editing keys) through, like a numbers-only edit.
class DigitsOnlyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            if (!text.isEmpty() && text[0].isPrint() && !text[0].isDigit())
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

// ListBox ----------------------------------------------------------------------

ListBox::ListBox(Control& parent) : Control(new SpinListWidget(parent.Widget())) {
    Spin(widget_)->onUserSelect = [this](int row) { UserSelect(row); };
    Spin(widget_)->onUserDoubleClick = [this](int row) { UserDoubleClick(row); };
}

int ListBox::Count() const {
    return static_cast<int>(Spin(widget_)->rows.size());
}

void ListBox::Clear() {
    SpinListWidget* w = Spin(widget_);
    w->rows.clear();
    w->hints.clear();
    w->selected = -1;
    w->top = 0;
    w->update();
}

void ListBox::Add(std::string_view text) {
    Spin(widget_)->rows.append(FromCp1252(text));
    widget_->update();
}

std::string ListBox::Item(int row) const {
    const SpinListWidget* w = Spin(widget_);
    if (row < 0 || row >= w->rows.size())
        return {};
    return ToCp1252(w->rows[row]);
}

void ListBox::SetItemHint(int row, std::string_view hint) {
    SpinListWidget* w = Spin(widget_);
    if (row < 0 || row >= w->rows.size())
        return;
    while (w->hints.size() <= row)
        w->hints.append(QString());
    w->hints[row] = FromCp1252(hint);
}

std::string ListBox::ItemHint(int row) const {
    const SpinListWidget* w = Spin(widget_);
    if (row < 0 || row >= w->hints.size())
        return {};
    return ToCp1252(w->hints[row]);
}

bool ListBox::TextFits(std::string_view text) const {
    const SpinListWidget* w = Spin(widget_);
    return w->fontMetrics().horizontalAdvance(FromCp1252(text)) <= w->TextWidth();
}

int ListBox::ItemIndex() const {
    return Spin(widget_)->selected;
}

void ListBox::SetItemIndex(int row) {
    SpinListWidget* w = Spin(widget_);
    if (row == -1) {
        w->selected = -1;
    } else if (row >= 0 && row < w->rows.size()) {
        w->selected = row;
        w->top = row; // a selection set by code is scrolled into view
    }
    w->update();
}

int ListBox::TopIndex() const {
    return Spin(widget_)->top;
}

void ListBox::SetTopIndex(int row) {
    SpinListWidget* w = Spin(widget_);
    if (row >= 0 && row < w->rows.size()) {
        w->top = row;
        w->update();
    }
}

void ListBox::UserSelect(int row) {
    if (row < 0 || row >= Count())
        return;
    SetItemIndex(row);
    if (OnClick)
        Dispatch(OnClick);
}

void ListBox::UserDoubleClick(int row) {
    if (row < 0 || row >= Count())
        return;
    SetItemIndex(row);
    if (OnDblClick)
        Dispatch(OnDblClick);
}

// ScrollBar --------------------------------------------------------------------

ScrollBar::ScrollBar(Control& parent, Orientation orientation, int min, int max, int position)
    : Control(new QScrollBar(orientation == Orientation::Horizontal ? Qt::Horizontal : Qt::Vertical,
                             parent.Widget())) {
    auto* bar = static_cast<QScrollBar*>(widget_);
    bar->setRange(min, max);
    bar->setSingleStep(1);
    bar->setPageStep(std::max(1, (max - min) / 64));
    bar->setValue(position);
    QObject::connect(bar, &QScrollBar::valueChanged, [this](int) {
        if (OnChange)
            Dispatch(OnChange);
    });
}

int ScrollBar::Min() const {
    return static_cast<QScrollBar*>(widget_)->minimum();
}
int ScrollBar::Max() const {
    return static_cast<QScrollBar*>(widget_)->maximum();
}
int ScrollBar::Position() const {
    return static_cast<QScrollBar*>(widget_)->value();
}

// QScrollBar clamps to its range and signals only a real change, as the handler expects.
void ScrollBar::SetPosition(int position) {
    static_cast<QScrollBar*>(widget_)->setValue(position);
}

// CheckBox ---------------------------------------------------------------------

CheckBox::CheckBox(Control& parent, std::string_view caption, bool checked)
    : Control(new QCheckBox(FromCp1252(caption), parent.Widget())) {
    auto* box = static_cast<QCheckBox*>(widget_);
    box->setChecked(checked);
    QObject::connect(box, &QCheckBox::toggled, [this](bool) {
        if (OnChange)
            Dispatch(OnChange);
    });
}

bool CheckBox::Checked() const {
    return static_cast<QCheckBox*>(widget_)->isChecked();
}

void CheckBox::SetChecked(bool checked) {
    static_cast<QCheckBox*>(widget_)->setChecked(checked);
}

// EditBox ----------------------------------------------------------------------

EditBox::EditBox(Control& parent, std::string_view text)
    : Control(new QLineEdit(FromCp1252(text), parent.Widget())) {
    QObject::connect(static_cast<QLineEdit*>(widget_), &QLineEdit::textChanged, [this] {
        if (OnChange)
            Dispatch(OnChange);
    });
}

std::string EditBox::Text() const {
    return ToCp1252(static_cast<QLineEdit*>(widget_)->text());
}

void EditBox::SetText(std::string_view text) {
    static_cast<QLineEdit*>(widget_)->setText(FromCp1252(text));
}

void EditBox::SetNumbersOnly() {
    widget_->installEventFilter(new DigitsOnlyFilter(widget_));
}

void EditBox::MakeLabel(Color textColor) {
    auto* edit = static_cast<QLineEdit*>(widget_);
    edit->setFrame(false);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    edit->setPalette(palette);
    SetTextColor(textColor);
}

// Button -----------------------------------------------------------------------

Button::Button(Control& parent, std::string_view caption)
    : Control(new QPushButton(FromCp1252(caption), parent.Widget())) {
    QObject::connect(static_cast<QPushButton*>(widget_), &QPushButton::clicked, [this] {
        if (OnClick)
            Dispatch(OnClick);
    });
}

std::string Button::Caption() const {
    return ToCp1252(static_cast<QPushButton*>(widget_)->text());
}

void Button::Click() {
    static_cast<QPushButton*>(widget_)->click();
}

// Panel ------------------------------------------------------------------------

Panel::Panel(Control& parent) : Control(new QFrame(parent.Widget())) {
    static_cast<QFrame*>(widget_)->setFrameStyle(QFrame::Box | QFrame::Plain);
}

// Memo -------------------------------------------------------------------------

Memo::Memo(Control& parent) : Control(new QPlainTextEdit(parent.Widget())) {
    auto* edit = static_cast<QPlainTextEdit*>(widget_);
    edit->setReadOnly(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void Memo::Clear() {
    lines_.clear();
    static_cast<QPlainTextEdit*>(widget_)->clear();
}

void Memo::Add(std::string_view line) {
    // CR LF breaks the text into lines; a text ending in CR LF leaves an empty line.
    auto* edit = static_cast<QPlainTextEdit*>(widget_);
    for (;;) {
        const std::size_t brk = line.find("\r\n");
        const std::string_view piece = line.substr(0, brk);
        lines_.emplace_back(piece);
        // A lone CR or LF has no glyph; show the line without it.
        QString shown = FromCp1252(piece);
        shown.remove(QChar('\r'));
        shown.replace(QChar('\n'), QChar(' '));
        edit->appendPlainText(shown);
        if (brk == std::string_view::npos)
            break;
        line.remove_prefix(brk + 2);
    }
}

int Memo::LineCount() const {
    return static_cast<int>(lines_.size());
}

std::string Memo::Line(int index) const {
    if (index < 0 || index >= LineCount())
        return {};
    return lines_[static_cast<std::size_t>(index)];
}

std::vector<std::string> Memo::Lines() const {
    return lines_;
}

} // namespace tk
