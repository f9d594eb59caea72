#pragma once

#include <string>

// What the tool needs of the operating system, one implementation per platform.
namespace duruz::cli {

// Ctrl+C ends a run after the frame being written with kExitInterrupted; the
// system's request to end (SIGTERM; on Windows Ctrl+Break or the console window
// closing) with kExitTerminated.
void StopRunOnInterrupt();

// Standard output takes the data's bytes as they are, so that a file written through
// it equals one written with --output: Windows would add a CR before each LF.
void WriteStandardOutputAsIs();

// Whether standard error is a console a person watches, for the progress line.
bool StandardErrorIsConsole();

// Whether anything is at path.
bool PathExists(const std::string& path);

// The path that opens the port the user named: on Windows "COM12" is opened as
// "\\.\COM12", as COM10 and above must be.
std::string PortPathFromName(const std::string& name);

} // namespace duruz::cli
