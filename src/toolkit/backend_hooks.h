#pragma once

#include <string>

// What the toolkit's shared code asks of the back end it runs on; the front ends
// never call these.
namespace tk::backend {

// Shows an unexpected error's message in a box titled with the application's title.
void ShowExceptionMessage(const std::string& message);

// The program's name, which its error lines on standard error start with.
std::string ProgramName();

} // namespace tk::backend
