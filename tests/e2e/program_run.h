#pragma once

#include "e2e/child_process.h"
#include "e2e/temp_dir.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// The program as a user starts it: build/duruz with --port rows, in a working
// folder of its own (where Config.Ini lives) with a home of its own (whose
// Downloads folder takes the dump), on the offscreen platform or on an X display.
class ProgramRun {
public:
    // An empty display means the offscreen platform.
    explicit ProgramRun(std::vector<std::string> ports, std::string display = {});
    ~ProgramRun();

    bool Ok() const { return folder_.Ok(); }
    std::string ConfigPath() const { return folder_ / "work/Config.Ini"; }
    std::string DumpPath() const { return folder_ / "home/Downloads/Log.Txt"; }
    std::string FolderPath(const std::string& name) const { return folder_ / name; }

    void WriteConfig(const std::string& bytes) const;
    // The bytes of Config.Ini, or nothing when there is no such file.
    std::optional<std::string> ReadConfig() const;

    bool Start();
    ChildProcess& Process() { return *process_; }
    // True once start-up has run to its end: the program then catches SIGTERM.
    bool WaitUntilReady(std::chrono::milliseconds timeout);
    // Closes the window the way SIGTERM does; true when the program ended by
    // itself within the time.
    bool Close(std::chrono::milliseconds timeout);
    // The program's standard output and error so far, for failure messages.
    std::string Output() const;

private:
    std::vector<std::string> ports_;
    std::string display_;
    TempDir folder_;
    std::unique_ptr<ChildProcess> process_;
};

} // namespace e2e
