#include "support/qt_test_main.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/image_canvas.h"
#include "toolkit/qt/widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// The pixels that are not background, row by row, as "x,y " each.
std::string Painted(const tk::PixelBuffer& image) {
    std::string out;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (image.At(x, y) != 0xFFFFFFFFu)
                out += std::to_string(x) + "," + std::to_string(y) + " ";
    return out;
}

void PressKey(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
}

// A list box runs its click handler on a user's selection only, and an index outside
// its rows changes nothing; a scroll bar clamps a position set by code and runs its
// handler on every change; the memo appends lines, and a text that ends in CR LF adds
// an empty one; a numbers-only edit refuses typed letters; the form closes once.
TEST(Controls, ListBoxScrollBarMemoEditBoxAndForm) {
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

    int closes = 0, formClicks = 0;
    form.OnClose = [&] { ++closes; };
    form.OnClick = [&] { ++formClicks; };
    form.Click();
    form.Close();
    form.Close();
    EXPECT_EQ(std::pair(formClicks, closes), std::pair(1, 1));
}

// Group separators are refused in every locale; a '.' decimal point is taken where
// the locale's own conversion fails. NAN marks a text that must raise.
TEST(Conversion, FollowsTheLocaleAndRaisesTheToolkitErrorThatDispatchReports) {
    const QLocale en(QLocale::English, QLocale::UnitedStates),
        de(QLocale::German, QLocale::Germany), c = QLocale::c();
    const std::tuple<QLocale, const char*, double> rows[] = {
        {en, " 200.5 ", 200.5}, {en, "1,000", NAN},  {en, "1,5", NAN},     {en, "1.00", 1.0},
        {de, " 200,5 ", 200.5}, {de, "40.000", NAN}, {de, "1.000,5", NAN}, {de, "1.00", 1.0},
        {de, "1000.5", 1000.5}, {de, "200.5x", NAN}, {c, "1000", 1000.0},  {c, "0.5", 0.5},
        {c, "1,000", NAN},      {c, "1,5", NAN},     {c, "", NAN},         {c, "nan", NAN},
        {c, "inf", NAN}};
    for (const auto& [locale, text, value] : rows) {
        QLocale::setDefault(locale);
        SCOPED_TRACE(locale.name().toStdString() + " '" + text + "'");
        if (std::isnan(value))
            EXPECT_THROW(tk::StrToFloat(text), tk::ConversionError);
        else
            EXPECT_DOUBLE_EQ(tk::StrToFloat(text), value);
    }
    // An error that escapes a handler is reported and the loop goes on (the last
    // handler leaves its mark among the reports); only the toolkit's own errors keep
    // their message.
    auto& reported = testing_support::ReportedErrors();
    reported.clear();
    tk::Dispatch([] { tk::StrToFloat("abc"); });
    tk::Dispatch([] { throw std::runtime_error("not the toolkit's"); });
    tk::Dispatch([] { throw 42; });
    tk::Dispatch([&] { reported.push_back("went on"); });
    EXPECT_EQ(reported, (std::vector<std::string>{"'abc' is not a valid floating point value", "",
                                                  "", "went on"}));
    // At the program's end a failing exit status.
    EXPECT_EQ(std::tuple(tk::ExitStatusOf([] { return 3; }),
                         tk::ExitStatusOf([]() -> int { throw tk::ToolkitError("lost"); })),
              std::tuple(3, EXIT_FAILURE));
}

} // namespace

// Halfway the minor coordinate rounds away from the start (0,0 to 4,2). The last
// two rows lie partly and wholly outside: only the visible pixels, at the same places.
TEST(ImageCanvas, LinesLeaveOutTheirEndPoint) {
    const int lines[][4] = {{1, 1, 6, 1}, {6, 3, 1, 3},  {2, 0, 2, 4},     {2, 4, 2, 0},
                            {0, 0, 3, 3}, {0, 0, 4, 2},  {0, 0, 5, 2},     {5, 2, 0, 0},
                            {4, 4, 4, 4}, {-3, 2, 3, 2}, {-30, -2, 30, -1}};
    std::string painted;
    for (const auto& [x0, y0, x1, y1] : lines) {
        tk::ImageCanvas canvas(12, 12, 0xFFFFFF);
        canvas.SetPenColor(0);
        canvas.MoveTo(x0, y0);
        canvas.LineTo(x1, y1);
        painted += Painted(canvas.Pixels()) + "\n";
    }
    EXPECT_EQ(painted, "1,1 2,1 3,1 4,1 5,1 \n2,3 3,3 4,3 5,3 6,3 \n2,0 2,1 2,2 2,3 \n"
                       "2,1 2,2 2,3 2,4 \n0,0 1,1 2,2 \n0,0 1,1 2,1 3,2 \n0,0 1,0 2,1 3,1 4,2 \n"
                       "1,0 2,1 3,1 4,2 5,2 \n\n0,2 1,2 2,2 \n\n");
}

// A random walk over the image and a little beyond, with a far jump now and then,
// drawn joined, and as separate lines wholly inside a larger image: the part of the
// larger image under the smaller one is the same, and in the pen's colour.
TEST(ImageCanvas, ConsecutiveLinesMatchSeparateLinesAndClipping) {
    std::mt19937 generator(17);
    std::uniform_int_distribution<int> step(-40, 40), far(-600, 600);
    tk::ImageCanvas joined(120, 80, 0xFFFFFF), whole(120 + 1600, 80 + 1600, 0xFFFFFF);
    joined.SetPenColor(0x123456);
    whole.SetPenColor(0x123456);
    QPoint from(60, 40);
    joined.MoveTo(from.x(), from.y());
    for (int i = 0; i < 400; ++i) {
        const QPoint to = i % 50 == 25 ? QPoint(far(generator), far(generator))
                                       : QPoint(std::clamp(from.x(), -20, 140) + step(generator),
                                                std::clamp(from.y(), -20, 100) + step(generator));
        joined.LineTo(to.x(), to.y());
        whole.MoveTo(from.x() + 800, from.y() + 800);
        whole.LineTo(to.x() + 800, to.y() + 800);
        from = to;
    }
    const tk::PixelBuffer& image = joined.Pixels();
    EXPECT_TRUE(whole.Pixels().Part(800, 800, 120, 80) == image);
    EXPECT_EQ(std::tuple(image.At(60, 40), std::ranges::count(Painted(image), ' ') > 200),
              std::tuple(0xFF563412u, true)); // 0x00BBGGRR into 0xFFRRGGBB
}
