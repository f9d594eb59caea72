#include "toolkit/controls.h"

#include "toolkit/application.h"
#include "toolkit/qt/cp1252.h"
#include "toolkit/qt/spin_list_widget.h"
#include "toolkit/qt/widget.h"

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

ListBox::ListBox(Control& parent) : Control(AsNative(new SpinListWidget(WidgetOf(parent)))) {
    Spin(WidgetOf(*this))->onUserSelect = [this](int row) { UserSelect(row); };
    Spin(WidgetOf(*this))->onUserDoubleClick = [this](int row) { UserDoubleClick(row); };
}

int ListBox::Count() const {
    return static_cast<int>(Spin(WidgetOf(*this))->rows.size());
}

void ListBox::Clear() {
    SpinListWidget* w = Spin(WidgetOf(*this));
    w->rows.clear();
    w->hints.clear();
    w->selected = -1;
    w->top = 0;
    w->update();
}

void ListBox::Add(std::string_view text) {
    Spin(WidgetOf(*this))->rows.append(FromCp1252(text));
    WidgetOf(*this)->update();
}

std::string ListBox::Item(int row) const {
    const SpinListWidget* w = Spin(WidgetOf(*this));
    if (row < 0 || row >= w->rows.size())
        return {};
    return ToCp1252(w->rows[row]);
}

void ListBox::SetItemHint(int row, std::string_view hint) {
    SpinListWidget* w = Spin(WidgetOf(*this));
    if (row < 0 || row >= w->rows.size())
        return;
    while (w->hints.size() <= row)
        w->hints.append(QString());
    w->hints[row] = FromCp1252(hint);
}

std::string ListBox::ItemHint(int row) const {
    const SpinListWidget* w = Spin(WidgetOf(*this));
    if (row < 0 || row >= w->hints.size())
        return {};
    return ToCp1252(w->hints[row]);
}

bool ListBox::TextFits(std::string_view text) const {
    const SpinListWidget* w = Spin(WidgetOf(*this));
    return w->fontMetrics().horizontalAdvance(FromCp1252(text)) <= w->TextWidth();
}

int ListBox::ItemIndex() const {
    return Spin(WidgetOf(*this))->selected;
}

void ListBox::SetItemIndex(int row) {
    SpinListWidget* w = Spin(WidgetOf(*this));
    if (row == -1) {
        w->selected = -1;
    } else if (row >= 0 && row < w->rows.size()) {
        w->selected = row;
        w->top = row; // a selection set by code is scrolled into view
    }
    w->update();
}

int ListBox::TopIndex() const {
    return Spin(WidgetOf(*this))->top;
}

void ListBox::SetTopIndex(int row) {
    SpinListWidget* w = Spin(WidgetOf(*this));
    if (row >= 0 && row < w->rows.size()) {
        w->top = row;
        w->update();
    }
}

// ScrollBar --------------------------------------------------------------------

ScrollBar::ScrollBar(Control& parent, Orientation orientation, int min, int max, int position)
    : Control(AsNative(
          new QScrollBar(orientation == Orientation::Horizontal ? Qt::Horizontal : Qt::Vertical,
                         WidgetOf(parent)))) {
    auto* bar = static_cast<QScrollBar*>(WidgetOf(*this));
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
    return static_cast<QScrollBar*>(WidgetOf(*this))->minimum();
}
int ScrollBar::Max() const {
    return static_cast<QScrollBar*>(WidgetOf(*this))->maximum();
}
int ScrollBar::Position() const {
    return static_cast<QScrollBar*>(WidgetOf(*this))->value();
}

// QScrollBar clamps to its range and signals only a real change, as the handler expects.
void ScrollBar::SetPosition(int position) {
    static_cast<QScrollBar*>(WidgetOf(*this))->setValue(position);
}

// CheckBox ---------------------------------------------------------------------

CheckBox::CheckBox(Control& parent, std::string_view caption, bool checked)
    : Control(AsNative(new QCheckBox(FromCp1252(caption), WidgetOf(parent)))) {
    auto* box = static_cast<QCheckBox*>(WidgetOf(*this));
    box->setChecked(checked);
    QObject::connect(box, &QCheckBox::toggled, [this](bool) {
        if (OnChange)
            Dispatch(OnChange);
    });
}

bool CheckBox::Checked() const {
    return static_cast<QCheckBox*>(WidgetOf(*this))->isChecked();
}

void CheckBox::SetChecked(bool checked) {
    static_cast<QCheckBox*>(WidgetOf(*this))->setChecked(checked);
}

// EditBox ----------------------------------------------------------------------

EditBox::EditBox(Control& parent, std::string_view text)
    : Control(AsNative(new QLineEdit(FromCp1252(text), WidgetOf(parent)))) {
    QObject::connect(static_cast<QLineEdit*>(WidgetOf(*this)), &QLineEdit::textChanged, [this] {
        if (OnChange)
            Dispatch(OnChange);
    });
}

std::string EditBox::Text() const {
    return ToCp1252(static_cast<QLineEdit*>(WidgetOf(*this))->text());
}

void EditBox::SetText(std::string_view text) {
    static_cast<QLineEdit*>(WidgetOf(*this))->setText(FromCp1252(text));
}

void EditBox::SetNumbersOnly() {
    WidgetOf(*this)->installEventFilter(new DigitsOnlyFilter(WidgetOf(*this)));
}

void EditBox::MakeLabel(Color textColor) {
    auto* edit = static_cast<QLineEdit*>(WidgetOf(*this));
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
    : Control(AsNative(new QPushButton(FromCp1252(caption), WidgetOf(parent)))) {
    QObject::connect(static_cast<QPushButton*>(WidgetOf(*this)), &QPushButton::clicked, [this] {
        if (OnClick)
            Dispatch(OnClick);
    });
}

std::string Button::Caption() const {
    return ToCp1252(static_cast<QPushButton*>(WidgetOf(*this))->text());
}

void Button::Click() {
    static_cast<QPushButton*>(WidgetOf(*this))->click();
}

// Panel ------------------------------------------------------------------------

Panel::Panel(Control& parent) : Control(AsNative(new QFrame(WidgetOf(parent)))) {
    static_cast<QFrame*>(WidgetOf(*this))->setFrameStyle(QFrame::Box | QFrame::Plain);
}

// Memo -------------------------------------------------------------------------

Memo::Memo(Control& parent) : Control(AsNative(new QPlainTextEdit(WidgetOf(parent)))) {
    auto* edit = static_cast<QPlainTextEdit*>(WidgetOf(*this));
    edit->setReadOnly(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void Memo::Clear() {
    lines_.clear();
    static_cast<QPlainTextEdit*>(WidgetOf(*this))->clear();
}

void Memo::ShowLine(std::string_view line) {
    // A lone CR or LF has no glyph; show the line without it.
    QString shown = FromCp1252(line);
    shown.remove(QChar('\r'));
    shown.replace(QChar('\n'), QChar(' '));
    static_cast<QPlainTextEdit*>(WidgetOf(*this))->appendPlainText(shown);
}

} // namespace tk
