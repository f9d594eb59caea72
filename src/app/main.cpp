// The program's entry: one window on the instrument's serial port.
#include "app/close_on_signal.h"
#include "app/main_window.h"
#include "app/version.h"
#include "serial/device_monitor.h"
#include "session/port_provider.h"
#include "toolkit/application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The exit status of a command line that cannot be carried out.
constexpr int kBadArguments = 2;
constexpr int kMaxSimulatorMs = 1000;

// What the command line asks of a run that opens the window.
struct CommandLine {
    std::vector<std::string> ports;   // --port paths, in order
    sim::InstrumentOptions simulator; // the built-in simulator's timing
    std::string frameTrace;           // --trace FILE
    bool helpAll = false; // the help with Qt's own options, which only QApplication knows
};

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

void AddOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription("Front end of the two-channel oscilloscope and signal "
                                     "generator on a serial port.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(
        {"port", "Add PATH (a pseudo-terminal or serial bridge) to the port list.", "PATH"});
    parser.addOption({"capture-ms",
                      "The built-in simulator's capture time before each answer (default 20).",
                      "MS"});
    parser.addOption({"usb-latency",
                      "The built-in simulator delivers in 62-byte USB packets, a partial one "
                      "after MS ms (default off).",
                      "MS"});
    parser.addOption(
        {"trace", "Write each frame drawn and its settings to FILE (soak runs).", "FILE"});
}

// The arguments without the options QApplication takes for itself ("-platform
// offscreen", "--style=fusion", "-reverse"), which it removes before the window opens.
QStringList ProgramArguments(const QStringList& all) {
    static const QStringList withValue = {
        "platform",        "platformpluginpath", "platformtheme", "plugin",
        "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
        "display",         "geometry",           "style",         "stylesheet"};
    static const QStringList flags = {"reverse", "widgetcount"};
    QStringList kept;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QString& argument = all[i];
        const QString name =
            argument.startsWith('-') && i > 0
                ? argument.sliced(argument.startsWith("--") ? 2 : 1).section('=', 0, 0)
                : QString();
        if (withValue.contains(name))
            i += argument.contains('=') ? 0 : 1; // and the value after it
        else if (!flags.contains(name))
            kept << argument;
    }
    return kept;
}

// A whole number of milliseconds from 0 to kMaxSimulatorMs, in digits only.
std::optional<int> Milliseconds(const QString& text) {
    if (text.isEmpty() || text.size() > 4)
        return std::nullopt;
    for (const QChar digit : text)
        if (digit < '0' || digit > '9')
            return std::nullopt;
    const int ms = text.toInt();
    return ms <= kMaxSimulatorMs ? std::optional(ms) : std::nullopt;
}

// Reads the command line before any window system is needed, so it works over SSH
// and in scripts. --version and --help are answered here and end the process with
// status 0; a bad option or value is reported on standard error and gives the status
// to end with.
std::optional<int> ReadCommandLine(int argc, char* argv[], CommandLine& line) {
    // A copy: QCoreApplication may take arguments out, and QApplication wants them all.
    std::vector<char*> arguments(argv, argv + argc);
    arguments.push_back(nullptr);
    int count = argc;
    const QCoreApplication core(count, arguments.data());
    QCommandLineParser parser;
    AddOptions(parser);
    const auto refuse = [](const std::string& message) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                     message.c_str());
        return kBadArguments;
    };
    if (!parser.parse(ProgramArguments(QCoreApplication::arguments())))
        return refuse(parser.errorText().toStdString());
    for (const QString& path : parser.values("port")) {
        std::string bytes = path.toStdString();
        // A path that cannot be listed would leave the user with another port than
        // the one asked for.
        if (!duruz::PortPathFits(bytes))
            return refuse("--port path too long (" + std::to_string(bytes.size()) +
                          " bytes, at most " + std::to_string(duruz::kPortPathSize - 1) +
                          "): " + bytes);
        line.ports.push_back(std::move(bytes));
    }
    std::optional<int> capture;
    std::optional<int> latency;
    for (const auto& [name, ms] : {std::pair("capture-ms", &capture), {"usb-latency", &latency}}) {
        if (!parser.isSet(name))
            continue;
        *ms = Milliseconds(parser.value(name));
        if (!*ms)
            return refuse(std::string("--") + name + " takes a whole number of milliseconds from " +
                          "0 to " + std::to_string(kMaxSimulatorMs) + ": " +
                          parser.value(name).toStdString());
    }
    line.simulator.captureMs =
        static_cast<std::uint32_t>(capture.value_or(int(line.simulator.captureMs)));
    line.simulator.usbLatencyMs = static_cast<std::uint32_t>(latency.value_or(0));
    line.frameTrace = parser.value("trace").toStdString();
    if (parser.isSet("version"))
        parser.showVersion();
    if (parser.isSet("help"))
        parser.showHelp();
    line.helpAll = parser.isSet("help-all");
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName("duruz");
    QCoreApplication::setApplicationVersion(DURUZ_VERSION);
    CommandLine line;
    if (const std::optional<int> status = ReadCommandLine(argc, argv, line))
        return *status;

    QApplication application(argc, argv);
    tk::SetApplicationTitle("ZudiZovir");
    if (line.helpAll) {
        QCommandLineParser parser;
        AddOptions(parser);
        parser.process(application); // shows the help and ends the process
    }
    return tk::ExitStatusOf([&] {
        duruz::DefaultPortProvider ports(line.simulator);
        duruz::WindowEnvironment environment;
        environment.ports = &ports;
        environment.extraPorts = std::move(line.ports);
        environment.diagnosticLogPath = DiagnosticLogPath();
        environment.frameTracePath = line.frameTrace;
        const std::unique_ptr<serial::DeviceMonitor> monitor = serial::MakeDeviceMonitor();
        environment.deviceMonitor = monitor.get();

        // Installed before start-up, so a signal that comes while the port opens is
        // acted on as soon as the message loop runs.
        duruz::MainWindow* window = nullptr;
        duruz::CloseOnSignal([&window] {
            if (window != nullptr)
                window->Close();
        });
        duruz::MainWindow mainWindow(std::move(environment));
        window = &mainWindow;
        mainWindow.ShowMaximized();
        return QApplication::exec();
    });
}
