#include "toolkit/controls.h"

#include "toolkit/form.h"
#include "toolkit/qt/widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

void PressKey(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
}

// A list box runs its click handler on a user's selection only, and an index outside
// its rows changes nothing; a scroll bar clamps a position set by code and runs its
// handler on every change; the memo appends lines, and a text that ends in CR LF adds
// an empty one; a numbers-only edit refuses typed letters.
TEST(Controls, ListBoxScrollBarMemoAndEditBox) {
    tk::Form form;
    tk::ListBox list(form);
    std::vector<std::pair<int, int>> clicked; // the row and the top row at each click
    int doubleClicks = 0;
    list.OnClick = [&] { clicked.emplace_back(list.ItemIndex(), list.TopIndex()); };
    list.OnDblClick = [&] { ++doubleClicks; };
    for (const char* row : {"XY Mode", "2 mSec/div", "\261240V"}) // Windows-1252 kept as it is
        list.Add(row);
    EXPECT_EQ(list.ItemIndex(), -1);
    // By code: no handler; one past the last row, and below -1, change nothing.
    for (const int row : {1, 3, -2})
        list.SetItemIndex(row);
    EXPECT_EQ(std::pair(list.ItemIndex(), clicked.size()), std::pair(1, std::size_t(0)));
    list.SetItemIndex(-1);
    EXPECT_EQ(list.ItemIndex(), -1);

    // The user steps like a spinner, the row in view; each step is a click, none
    // before the first row.
    list.SetItemIndex(1);
    for (const int key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down})
        PressKey(tk::WidgetOf(list), key);
    EXPECT_EQ(clicked, (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}}));
    list.UserDoubleClick(0);
    EXPECT_EQ(std::tuple(list.ItemIndex(), doubleClicks, list.Item(2) + list.Item(3)),
              std::tuple(0, 1, "\261240V"));
    list.Clear();
    EXPECT_EQ(std::pair(list.Count(), list.ItemIndex()), std::pair(0, -1));

    tk::ScrollBar bar(form, tk::ScrollBar::Orientation::Vertical, -2000, 2000, 0);
    std::vector<int> seen;
    bar.OnChange = [&] { seen.push_back(bar.Position()); };
    for (int position : {0, 5000, -2500, -2000, 17}) // the first and fourth change nothing
        bar.SetPosition(position);
    EXPECT_EQ(seen, (std::vector<int>{2000, -2000, 17}));

    tk::Memo memo(form);
    for (const char* text : {"W: 0 277 1511 899\r\n", "%S01  298    0\r", "a\r\nb"})
        memo.Add(text);
    EXPECT_EQ(memo.Lines(),
              (std::vector<std::string>{"W: 0 277 1511 899", "", "%S01  298    0\r", "a", "b"}));
    memo.Clear();
    EXPECT_EQ(memo.LineCount(), 0);

    tk::EditBox edit(form, "1.00");
    edit.SetNumbersOnly();
    static_cast<QLineEdit*>(tk::WidgetOf(edit))->setCursorPosition(4);
    PressKey(tk::WidgetOf(edit), Qt::Key_A, "a");
    PressKey(tk::WidgetOf(edit), Qt::Key_5, "5");
    PressKey(tk::WidgetOf(edit), Qt::Key_Period, ".");
    EXPECT_EQ(edit.Text(), "1.005");
}

} // namespace
