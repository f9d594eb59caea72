#pragma once

#include <exception>
#include <functional>
#include <memory>
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

void SetApplicationTitle(std::string_view title);
std::string ApplicationTitle();

} // namespace tk
