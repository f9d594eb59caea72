// Runs the window tests under the toolkit's application object (Qt's offscreen
// platform on Linux, the Win32 back end on Windows), with exception boxes recorded
// instead of shown.
#include "support/qt_test_main.h"

#include "toolkit/application.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace testing_support {

std::vector<std::string>& ReportedErrors() {
    static std::vector<std::string> errors;
    return errors;
}

void RunEventsFor(int milliseconds) {
    tk::Application::ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    tk::Application::ProcessPendingEvents();
}

} // namespace testing_support

int main(int argc, char** argv) {
#ifndef _WIN32
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
#endif
    tk::Application application(argc, argv, "test");
    tk::SetApplicationTitle("ZudiZovir");
    tk::SetExceptionReporter(
        [](const std::string& message) { testing_support::ReportedErrors().push_back(message); });
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
