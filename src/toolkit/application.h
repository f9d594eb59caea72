#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tk {

// The toolkit's own error, raised for example when a text does not convert to a number.
class ToolkitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ConversionError : public ToolkitError {
public:
    using ToolkitError::ToolkitError;
};

// Converts an edit's text to a number with the user's locale (its decimal
// separator), ignoring surrounding white space. Throws ConversionError.
double StrToFloat(std::string_view text);

// Shows the message of an exception that escaped a handler in the standard box
// titled with the application title. Tests replace the reporter to record instead.
using ExceptionReporter = std::function<void(const std::string& message)>;
void SetExceptionReporter(ExceptionReporter reporter);
void ReportException(const std::exception& error);
void ReportUnknownException();
// Runs a handler the way the message loop does: an escaping exception is reported
// and the loop goes on.
void Dispatch(const std::function<void()>& handler);
// Runs the program's body and gives its exit status; an error that escapes it is
// reported as Dispatch reports one, written to standard error, and makes the
// status EXIT_FAILURE.
int ExitStatusOf(const std::function<int()>& body);

// An option the toolkit's back end takes from the command line for itself (a
// display or style choice), given as -name or --name, its value after '=' or in the
// next argument.
struct ToolkitOption {
    std::string_view name;        // without dashes
    std::string_view valueName;   // empty for an option without a value
    std::string_view description; // empty when the help does not list it
};
std::span<const ToolkitOption> ToolkitOptions();

// The application object: one per process, made before the first window and kept
// until the last one is gone. It takes the toolkit's own options from argv
// (ToolkitOptions); argc and argv must outlive it.
class Application {
public:
    Application(int& argc, char** argv, std::string_view name);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Runs the message loop until Quit; gives the exit status.
    int Run();
    static void Quit();
    // Handles what waits in the message loop now (posted handlers, timers due,
    // window messages) and returns without waiting for more.
    static void ProcessPendingEvents();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

void SetApplicationTitle(std::string_view title);
std::string ApplicationTitle();

} // namespace tk
