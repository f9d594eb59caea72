// How an exception that escapes a handler reaches the user, on every back end.
#include "toolkit/application.h"
#include "toolkit/backend_hooks.h"

#include <cstdio>
#include <cstdlib>

namespace tk {

namespace {

ExceptionReporter& Reporter() {
    static ExceptionReporter reporter;
    return reporter;
}

} // namespace

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
    backend::ShowExceptionMessage(message);
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
        std::fprintf(stderr, "%s: %s\n", backend::ProgramName().c_str(), error.what());
        ReportException(error);
    } catch (...) {
        ReportUnknownException();
    }
    return EXIT_FAILURE;
}

} // namespace tk
