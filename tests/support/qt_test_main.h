#pragma once

#include <string>
#include <vector>

namespace testing_support {

// The messages of the exceptions that escaped handlers, as the standard box would show them.
std::vector<std::string>& ReportedErrors();

} // namespace testing_support
