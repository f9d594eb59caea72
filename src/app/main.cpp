// The program's entry: one window on the instrument's serial port.
#include "app/close_on_signal.h"
#include "app/port_provider.h"
#include "app/tform2.h"
#include "app/version.h"
#include "serial/device_monitor.h"
#include "toolkit/application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>
#include <string>
#include <utility>

namespace {

// The dump: on Windows the fixed path D:/Download/Log.Txt, so its place never
// depends on the user's profile (no drive D: or folder means no dump); elsewhere
// beside the user's downloads, and with no such folder there is none.
std::string DiagnosticLogPath() {
#ifdef _WIN32
    return "D:/Download/Log.Txt";
#else
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (downloads.isEmpty())
        return {};
    return QDir(downloads).filePath("Log.Txt").toStdString();
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    try {
        QApplication application(argc, argv);
        QApplication::setApplicationName("duruz");
        QApplication::setApplicationVersion(DURUZ_VERSION);
        tk::SetApplicationTitle("ZudiZovir");

        QCommandLineParser parser;
        parser.setApplicationDescription("Front end of the two-channel oscilloscope and signal "
                                         "generator on a serial port.");
        parser.addHelpOption();
        parser.addVersionOption();
        const QCommandLineOption portOption(
            "port", "Add PATH (a pseudo-terminal or serial bridge) to the port list.", "PATH");
        parser.addOption(portOption);
        parser.process(application);

        duruz::DefaultPortProvider ports;
        duruz::FormEnvironment environment;
        environment.ports = &ports;
        for (const QString& path : parser.values(portOption)) {
            std::string bytes = path.toStdString();
            // A path that cannot be listed would leave the user with another port
            // than the one asked for, so it ends the program as a bad argument does.
            if (!duruz::PortPathFits(bytes)) {
                std::fprintf(stderr, "duruz: --port path too long (%zu bytes, at most %zu): %s\n",
                             bytes.size(), duruz::kPortPathSize - 1, bytes.c_str());
                return 2;
            }
            environment.extraPorts.push_back(std::move(bytes));
        }
        environment.diagnosticLogPath = DiagnosticLogPath();
        const std::unique_ptr<serial::DeviceMonitor> monitor = serial::MakeDeviceMonitor();
        environment.deviceMonitor = monitor.get();

        // Installed before start-up, so a signal that comes while the port opens is
        // acted on as soon as the message loop runs.
        duruz::TForm2* window = nullptr;
        duruz::CloseOnSignal([&window] {
            if (window != nullptr)
                window->Close();
        });
        duruz::TForm2 form(std::move(environment));
        window = &form;
        form.ShowMaximized();
        application.exec();
    } catch (const std::exception& error) {
        tk::ReportException(error);
    } catch (...) {
        tk::ReportUnknownException();
    }
    return 0;
}
