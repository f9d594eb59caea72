#pragma once

#include <string>
#include <vector>

namespace testing_support {

// The messages of the exceptions that escaped handlers, as the standard box would show them.
std::vector<std::string>& ReportedErrors();

// Lets the message loop handle what is due now and over the next milliseconds.
void RunEventsFor(int milliseconds);

} // namespace testing_support
