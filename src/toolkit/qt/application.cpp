#include "toolkit/application.h"
#include "toolkit/backend_hooks.h"

#include "toolkit/qt/cp1252.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tk {

namespace {

std::string& Title() {
    static std::string title;
    return title;
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

namespace backend {

void ShowExceptionMessage(const std::string& message) {
    QMessageBox box(QMessageBox::Critical, FromCp1252(Title()), FromCp1252(message),
                    QMessageBox::Ok);
    box.exec();
}

std::string ProgramName() {
    return QCoreApplication::applicationName().toStdString();
}

} // namespace backend

// What QGuiApplication and QApplication take from the command line; the help
// lists those Qt documents for the user.
std::span<const ToolkitOption> ToolkitOptions() {
    static constexpr std::array kOptions = {
        ToolkitOption{"qmljsdebugger", "value",
                      "Activates the QML/JS debugger with a specified port. The value must be "
                      "of format port:1234[,block]. \"block\" makes the application wait for a "
                      "connection."},
        ToolkitOption{"platform", "platformName[:options]",
                      "QPA plugin. See QGuiApplication documentation for available options for "
                      "each plugin."},
        ToolkitOption{"platformpluginpath", "path", "Path to the platform plugins."},
        ToolkitOption{"platformtheme", "theme", "Platform theme."},
        ToolkitOption{"plugin", "plugin",
                      "Additional plugins to load, can be specified multiple times."},
        ToolkitOption{"qwindowgeometry", "geometry",
                      "Window geometry for the main window, using the X11-syntax, like "
                      "100x100+50+50."},
        ToolkitOption{"qwindowicon", "icon", "Default window icon."},
        ToolkitOption{"qwindowtitle", "title", "Title of the first window."},
        ToolkitOption{"reverse", "",
                      "Sets the application's layout direction to Qt::RightToLeft (debugging "
                      "helper)."},
        ToolkitOption{"session", "session", "Restores the application from an earlier session."},
        ToolkitOption{"display", "display", ""},
        ToolkitOption{"geometry", "geometry", ""},
        ToolkitOption{"style", "style", ""},
        ToolkitOption{"stylesheet", "stylesheet", ""},
        ToolkitOption{"widgetcount", "", ""},
    };
    return kOptions;
}

struct Application::Impl {
    Impl(int& argc, char** argv) : application(argc, argv) {}
    QApplication application;
};

Application::Application(int& argc, char** argv, std::string_view name) {
    QCoreApplication::setApplicationName(QString::fromUtf8(name.data(), qsizetype(name.size())));
    impl_ = std::make_unique<Impl>(argc, argv);
}

Application::~Application() = default;

int Application::Run() {
    return QApplication::exec();
}

void Application::Quit() {
    QCoreApplication::quit();
}

void Application::ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

void SetApplicationTitle(std::string_view title) {
    Title() = std::string(title);
}

std::string ApplicationTitle() {
    return Title();
}

} // namespace tk
