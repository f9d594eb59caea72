// The window's start-up and close: Config.Ini read line by line into the session's
// settings, and written from them at close.
#include "app/main_window.h"
#include "app/response_window.h"
#include "app/version.h"
#include "session/config_file.h"
#include "session/config_table.h"

#include <cstdio>
#include <string>

namespace duruz {

namespace {

constexpr const char* kCaption = "RORU-Duruz Rev " DURUZ_VERSION " Dec 15 2025 15:05:33";

} // namespace

// The defaults and the port list first, then the saved settings, then the port
// opened and every setting sent in start-up order.
void MainWindow::StartUp() {
    SetCaption(kCaption);
    status.memo.Clear();
    session_.BeginStartUp(captureTimer_.Interval());
    ShowSettings();

    const WindowPlace& place = session_.Settings().window;
    char line[80];
    std::snprintf(line, sizeof line, "W: %d %d %d %d\r\n", place.left, place.top, place.width,
                  place.height);
    session_.AddLine(line);

    LoadConfig();
    LoadCursors();
    LoadShownReferences();
    ListReferencesAgain(false); // drawn with the first frame
    session_.FinishStartUp();
    ShowSettings();
}

// Reads the file line by line and hands each value to the session by position, so
// each line takes effect, a moved bar sending the trigger, before the next is read; a
// short file leaves the later settings as they are.
void MainWindow::LoadConfig() {
    ConfigReader reader(environment_.configPath);
    if (reader.NotRegularFile())
        session_.AddLine("Config.Ini is not a regular file: settings not read");
    if (reader.IsOpen()) {
        session_.AddLine("Reading config");
        for (int index = 0; index < kConfigLines; ++index) {
            if (!reader.ReadConfigLine())
                break;
            session_.AddLine(reader.Line());
            session_.LoadConfigLine(index, reader.Value());
            if (kConfigKeys[static_cast<std::size_t>(index)].group == SettingGroup::Window)
                ShowWindowPlace();
            ShowSettings();
        }
        session_.AddLine("End config");
    }
    // Saving over a file that could not be read, or not to its end, would lose the
    // settings in it.
    configReadError_ = reader.ReadError();
    if (!configReadError_.empty())
        session_.AddLine("Config.Ini could not be read: " + configReadError_);
}

// A failed save leaves the previous file whole and says why; the memo tells a save
// in place, which a failure halfway could cut short, from a whole replacement. A
// file that start-up could not read is left as it is.
void MainWindow::SaveConfig() {
    tk::Memo& memo = status.memo;
    if (!configReadError_.empty()) {
        memo.Add("Config.Ini could not be read: settings not saved");
        return;
    }
    const Result<SaveOutcome> saved =
        WriteConfigFile(environment_.configPath, FormatConfig(session_.Settings()));
    if (!saved.Ok()) {
        memo.Add("Config.Ini could not be saved: " + saved.Reason());
        return;
    }
    switch (saved.Value()) {
    case SaveOutcome::Replaced:
        memo.Add("Config.Ini saved");
        break;
    case SaveOutcome::WrittenInPlace:
        memo.Add("Config.Ini saved in place: its folder takes no new file");
        break;
    case SaveOutcome::ReadOnly:
        memo.Add("Config.Ini is read-only: settings not saved");
        break;
    }
}

// The settings are the session's, so saving never waits on the line; only a sweep
// cut short waits for its restore to reach the instrument before the link stops.
void MainWindow::SaveSettingsAndStop() {
    if (responseWindow_ != nullptr) {
        const bool restoring = sweepRunning_;
        responseWindow_->Close(); // a sweep gives the user's setting back to the session
        if (restoring)
            session_.Worker().WaitIdle();
    }
    EndRecording();
    SaveCursors();
    SaveConfig();
    SetCursor(tk::Cursor::Hourglass);
    session_.Stop();
}

} // namespace duruz
