#include "toolkit/application.h"

#include "support/qt_test_main.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

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
