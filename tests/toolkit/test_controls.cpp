#include "support/qt_test_main.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>

namespace {

void PressKey(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
}

TEST(ListBox, ClickRunsOnUserSelectionOnlyAndBadIndexesChangeNothing) {
    tk::Form form;
    tk::ListBox list(form);
    int clicks = 0;
    list.OnClick = [&] { ++clicks; };
    list.Add("XY Mode");
    list.Add("2 mSec/div");
    list.Add("\xB1"
             "240V"); // Windows-1252 kept as it is
    EXPECT_EQ(list.ItemIndex(), -1);

    list.SetItemIndex(1);
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(clicks, 0) << "a selection set by code runs no handler";

    list.SetItemIndex(3); // one past the last row
    list.SetItemIndex(-2);
    EXPECT_EQ(list.ItemIndex(), 1) << "an index outside the rows changes nothing";
    list.SetItemIndex(-1);
    EXPECT_EQ(list.ItemIndex(), -1);

    // The user steps like a spinner; each step is a click.
    list.SetItemIndex(1);
    PressKey(list.Widget(), Qt::Key_Up);
    EXPECT_EQ(list.ItemIndex(), 0);
    EXPECT_EQ(list.TopIndex(), 0);
    EXPECT_EQ(clicks, 1);
    PressKey(list.Widget(), Qt::Key_Up); // already at the first row
    EXPECT_EQ(clicks, 1);
    PressKey(list.Widget(), Qt::Key_Down);
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(list.Item(1), "2 mSec/div");
    EXPECT_EQ(list.Item(2), "\xB1"
                            "240V");
    EXPECT_EQ(list.Item(3), "");

    int doubleClicks = 0;
    list.OnDblClick = [&] { ++doubleClicks; };
    list.UserDoubleClick(0);
    EXPECT_EQ(list.ItemIndex(), 0);
    EXPECT_EQ(doubleClicks, 1);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.ItemIndex(), -1);
}

TEST(ScrollBar, ClampsAndRunsItsHandlerOnEveryChangeByCode) {
    tk::Form form;
    tk::ScrollBar bar(form, tk::ScrollBar::Orientation::Vertical, -2000, 2000, 0);
    std::vector<int> seen;
    bar.OnChange = [&] { seen.push_back(bar.Position()); };

    bar.SetPosition(0); // no change, no handler
    bar.SetPosition(5000);
    bar.SetPosition(-2500);
    bar.SetPosition(-2000); // already there
    bar.SetPosition(17);
    EXPECT_EQ(seen, (std::vector<int>{2000, -2000, 17}));
}

TEST(Memo, AppendsLinesAndCrLfLeavesAnEmptyLine) {
    tk::Form form;
    tk::Memo memo(form);
    memo.Add("W: 0 277 1511 899\r\n");
    memo.Add("%S01  298    0\r");
    memo.Add("a\r\nb");
    EXPECT_EQ(memo.Lines(),
              (std::vector<std::string>{"W: 0 277 1511 899", "", "%S01  298    0\r", "a", "b"}));
    memo.Clear();
    EXPECT_EQ(memo.LineCount(), 0);
}

TEST(EditBox, NumbersOnlyRejectsTypedNonDigitsButNotTextsFromCode) {
    tk::Form form;
    tk::EditBox edit(form, "1.00");
    edit.SetNumbersOnly();
    auto* line = static_cast<QLineEdit*>(edit.Widget());
    line->setCursorPosition(4);
    PressKey(edit.Widget(), Qt::Key_A, "a");
    PressKey(edit.Widget(), Qt::Key_5, "5");
    PressKey(edit.Widget(), Qt::Key_Period, ".");
    EXPECT_EQ(edit.Text(), "1.005");
    edit.SetText("2.5");
    EXPECT_EQ(edit.Text(), "2.5");
}

// Group separators are refused in every locale; a '.' decimal point is taken where
// the locale's own conversion fails. NAN marks a text that must raise.
TEST(Conversion, FollowsTheLocaleAndRaisesTheToolkitError) {
    const struct {
        QLocale locale;
        const char* text;
        double value;
    } rows[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), " 200.5 ", 200.5},
        {QLocale(QLocale::English, QLocale::UnitedStates), "1,000", NAN},
        {QLocale(QLocale::English, QLocale::UnitedStates), "1,5", NAN},
        {QLocale(QLocale::English, QLocale::UnitedStates), "1.00", 1.0},
        {QLocale(QLocale::German, QLocale::Germany), " 200,5 ", 200.5},
        {QLocale(QLocale::German, QLocale::Germany), "40.000", NAN},
        {QLocale(QLocale::German, QLocale::Germany), "1.000,5", NAN},
        {QLocale(QLocale::German, QLocale::Germany), "1.00", 1.0}, // the design text
        {QLocale(QLocale::German, QLocale::Germany), "1000.5", 1000.5},
        {QLocale(QLocale::German, QLocale::Germany), "200.5x", NAN},
        {QLocale::c(), "1000", 1000.0},
        {QLocale::c(), "0.5", 0.5},
        {QLocale::c(), "1,000", NAN},
        {QLocale::c(), "1,5", NAN},
        {QLocale::c(), "", NAN},
        {QLocale::c(), "nan", NAN},
        {QLocale::c(), "inf", NAN},
    };
    for (const auto& row : rows) {
        QLocale::setDefault(row.locale);
        SCOPED_TRACE(row.locale.name().toStdString() + " '" + row.text + "'");
        if (std::isnan(row.value))
            EXPECT_THROW(tk::StrToFloat(row.text), tk::ConversionError);
        else
            EXPECT_DOUBLE_EQ(tk::StrToFloat(row.text), row.value);
    }
    try {
        tk::StrToFloat("abc");
        ADD_FAILURE() << "'abc' converted";
    } catch (const tk::ConversionError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
    }
}

TEST(Dispatch, ReportsEscapingErrorsAndGoesOn) {
    testing_support::ReportedErrors().clear();
    tk::Dispatch([] { throw tk::ConversionError("'x' is not a valid floating point value"); });
    tk::Dispatch([] { throw std::runtime_error("not the toolkit's"); });
    tk::Dispatch([] { throw 42; });
    bool ran = false;
    tk::Dispatch([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(testing_support::ReportedErrors(),
              (std::vector<std::string>{"'x' is not a valid floating point value", "", ""}));
}

TEST(Form, CloseRunsOnCloseOnceAndClicksRunOnClick) {
    tk::Form form;
    int closes = 0;
    int clicks = 0;
    form.OnClose = [&] { ++closes; };
    form.OnClick = [&] { ++clicks; };
    form.SetClientSize(300, 200);
    EXPECT_EQ(form.ClientWidth(), 300);
    EXPECT_EQ(form.ClientHeight(), 200);
    form.Click();
    form.Close();
    form.Close();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(closes, 1);
}

} // namespace
