#pragma once

#include "toolkit/control.h"
#include "toolkit/line_log.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

using Handler = std::function<void()>;

// A list box of the control strip: rows, a selected row (-1 for none) and a top
// row. It is one row high and steps through its rows like a spinner (arrow keys,
// wheel, or its two small arrows). OnClick runs when the user selects a row,
// never when code sets the selection.
class ListBox : public Control {
public:
    explicit ListBox(Control& parent);

    int Count() const;
    void Clear();
    void Add(std::string_view text);
    std::string Item(int row) const;
    // A row's own tooltip; an empty text leaves the list's hint.
    void SetItemHint(int row, std::string_view hint);
    std::string ItemHint(int row) const;
    // Whether text fits in a row at the list's width and font.
    bool TextFits(std::string_view text) const;

    int ItemIndex() const;
    // -1 clears the selection; any other index outside 0..Count()-1 changes nothing.
    void SetItemIndex(int row);
    int TopIndex() const;
    void SetTopIndex(int row);

    // What a user's step or click does: select the row and run OnClick.
    void UserSelect(int row);
    void UserDoubleClick(int row);

    Handler OnClick;
    Handler OnDblClick;
};

// A scroll bar. A position set by code is clamped to the range; OnChange runs
// whenever the position changes, by the user or by code.
class ScrollBar : public Control {
public:
    enum class Orientation { Horizontal, Vertical };
    ScrollBar(Control& parent, Orientation orientation, int min, int max, int position);

    int Min() const;
    int Max() const;
    int Position() const;
    void SetPosition(int position);

    Handler OnChange;
};

// A check box. OnChange runs whenever it is checked or cleared, by the user or by code.
class CheckBox : public Control {
public:
    CheckBox(Control& parent, std::string_view caption, bool checked);
    bool Checked() const;
    void SetChecked(bool checked);

    Handler OnChange;
};

// An edit box. Also used, read-only and without a frame, for the strip's titles.
class EditBox : public Control {
public:
    EditBox(Control& parent, std::string_view text);
    std::string Text() const;
    void SetText(std::string_view text);
    // Typing accepts digits only; texts set by code are not checked.
    void SetNumbersOnly();
    // Turns the box into a label: no frame, not editable.
    void MakeLabel(Color textColor);

    // Runs whenever the text changes, by the user or by code.
    Handler OnChange;
};

class Button : public Control {
public:
    Button(Control& parent, std::string_view caption);
    std::string Caption() const;
    void Click(); // what a user's click does
    Handler OnClick;
};

class Panel : public Control {
public:
    explicit Panel(Control& parent);
};

// The Display memo: lines are only ever appended.
class Memo : public Control, public LineLog {
public:
    explicit Memo(Control& parent);
    void Clear();
    void Add(std::string_view line) override;
    int LineCount() const;
    std::string Line(int index) const;
    std::vector<std::string> Lines() const;

private:
    // Shows one line of text on the back end's control, after the lines shown so far.
    void ShowLine(std::string_view line);

    std::vector<std::string> lines_; // as added, split at CR LF
};

} // namespace tk
