// Runs the tests under a QApplication on the offscreen platform, with exception
// boxes recorded instead of shown.
#include "support/qt_test_main.h"

#include "toolkit/application.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

namespace testing_support {

std::vector<std::string>& ReportedErrors() {
    static std::vector<std::string> errors;
    return errors;
}

} // namespace testing_support

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    tk::SetApplicationTitle("ZudiZovir");
    tk::SetExceptionReporter(
        [](const std::string& message) { testing_support::ReportedErrors().push_back(message); });
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
