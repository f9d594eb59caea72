#include "toolkit/application.h"

#include "toolkit/cp1252.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMessageBox>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tk {

namespace {

std::string& Title() {
    static std::string title;
    return title;
}

ExceptionReporter& Reporter() {
    static ExceptionReporter reporter;
    return reporter;
}

} // namespace

// A number with a group separator ("1,000", "40.000") is refused rather than read
// one way or the other. When the locale's own conversion fails, a '.' decimal point
// is taken too: the window's design texts ("1.00") and files written under another
// locale use it.
double StrToFloat(std::string_view text) {
    const QString trimmed = FromCp1252(text).trimmed();
    QLocale strict;
    strict.setNumberOptions(strict.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = strict.toDouble(trimmed, &ok);
    if (!ok) {
        QLocale grouping = strict;
        grouping.setNumberOptions(strict.numberOptions() & ~QLocale::RejectGroupSeparator);
        bool grouped = false;
        grouping.toDouble(trimmed, &grouped);
        if (!grouped) {
            QLocale point = QLocale::c();
            point.setNumberOptions(QLocale::RejectGroupSeparator);
            value = point.toDouble(trimmed, &ok);
        }
    }
    if (!ok || !std::isfinite(value))
        throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
    return value;
}

void SetExceptionReporter(ExceptionReporter reporter) {
    Reporter() = std::move(reporter);
}

void ReportException(const std::exception& error) {
    // Only the toolkit's own errors keep their message; anything else shows an empty one.
    const ToolkitError* own = dynamic_cast<const ToolkitError*>(&error);
    const std::string message = own != nullptr ? own->what() : std::string();
    if (Reporter()) {
        Reporter()(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, FromCp1252(Title()), FromCp1252(message),
                    QMessageBox::Ok);
    box.exec();
}

void ReportUnknownException() {
    ReportException(ToolkitError(""));
}

void Dispatch(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ReportException(error);
    } catch (...) {
        ReportUnknownException();
    }
}

int ExitStatusOf(const std::function<int()>& body) {
    try {
        return body();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                     error.what());
        ReportException(error);
    } catch (...) {
        ReportUnknownException();
    }
    return EXIT_FAILURE;
}

void SetApplicationTitle(std::string_view title) {
    Title() = std::string(title);
}

std::string ApplicationTitle() {
    return Title();
}

} // namespace tk
