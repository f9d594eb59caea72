// The program's entry: one window on the instrument's serial port.
#include "app/close_on_signal.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "serial/device_monitor.h"
#include "session/port_provider.h"
#include "toolkit/application.h"
#include "toolkit/standard_folders.h"

#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The dump: on Windows the fixed path D:/Download/Log.Txt, so its place never
// depends on the user's profile (no drive D: or folder means no dump); elsewhere
// beside the user's downloads, and with no such folder there is none.
std::string DiagnosticLogPath() {
#ifdef _WIN32
    return "D:/Download/Log.Txt";
#else
    const std::string downloads = tk::DownloadsFolder();
    if (downloads.empty())
        return {};
    return downloads + "/Log.Txt";
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    duruz::CommandLine line;
    if (const std::optional<int> status =
            duruz::ReadCommandLine(argc, argv, tk::ToolkitOptions(), line, std::cout, std::cerr))
        return *status;

    // Given the whole command line: it takes the toolkit's own options from it.
    tk::Application application(argc, argv, "duruz");
    tk::SetApplicationTitle("ZudiZovir");
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
        const auto closeOnSignal = duruz::CloseOnSignal([&window] {
            if (window != nullptr)
                window->Close();
        });
        duruz::MainWindow mainWindow(std::move(environment));
        window = &mainWindow;
        mainWindow.ShowMaximized();
        return application.Run();
    });
}
