// The window's settings: Config.Ini read at start-up and written at close, and
// the factory reset.
#include "app/config_file.h"
#include "app/tform2.h"
#include "link/port_list.h"

#include <algorithm>
#include <cstdint>

namespace duruz {

namespace {

// A restored size larger than any desktop would give the window a picture too big to
// allocate when it is first shown; 8192 still spans an 8K screen or two 4K ones.
constexpr std::int32_t kMaxWindowExtent = 8192;

void SelectRow(tk::ListBox& list, const char* value) {
    list.SetItemIndex(ParseLong(value));
}

std::int32_t WindowExtent(const char* value) {
    return std::min(ParseLong(value), kMaxWindowExtent);
}

} // namespace

// Reads the file line by line and hands each value to its control by position;
// a short file leaves the later settings as they are.
void TForm2::LoadConfig() {
    ConfigReader reader(environment_.configPath);
    if (reader.NotRegularFile())
        link_.AddLine("Config.Ini is not a regular file: settings not read");
    if (!reader.IsOpen())
        return;
    link_.AddLine("Reading config");
    for (int setting = 0; setting < kConfigLines; ++setting) {
        if (!reader.ReadConfigLine())
            break;
        link_.AddLine(reader.Line());
        ApplySetting(setting, reader.Value());
    }
    link_.AddLine("End config");
}

void TForm2::ApplySetting(int setting, const char* value) {
    switch (setting) {
    case 0:
        SelectRow(SweepSpeed, value);
        break;
    case 1:
        SelectRow(SyncSrcBox, value);
        break;
    case 2:
        SelectRow(SyncPolBox, value);
        break;
    case 3:
        SelectRow(ComPort, value);
        break;
    case 4:
        SelectRow(Chan1Probe, value);
        break;
    case 5:
        SelectRow(Scale1, value);
        break;
    case 6:
        SelectRow(Chan2Probe, value);
        break;
    case 7:
        SelectRow(Scale2, value);
        break;
    // A bar clamps the position and, when it moves, sends the trigger as a user's move would.
    case 8:
        SyncVoltBar.SetPosition(ParseLong(value));
        break;
    case 9:
        SyncPosBar.SetPosition(ParseLong(value));
        break;
    case 10:
        SetLeft(ParseLong(value));
        break;
    case 11:
        SetTop(ParseLong(value));
        break;
    case 12:
        SetWidth(WindowExtent(value));
        break;
    case 13:
        SetHeight(WindowExtent(value));
        break;
    case 14:
        Scope1CheckBox.SetChecked(ParseLong(value) != 0);
        break;
    case 15:
        Scope2CheckBox.SetChecked(ParseLong(value) != 0);
        break;
    case 16:
        Fft1CheckBox.SetChecked(ParseLong(value) != 0);
        break;
    case 17:
        Fft2CheckBox.SetChecked(ParseLong(value) != 0);
        break;
    case 18:
        HoldBox.SetChecked(ParseLong(value) != 0);
        break;
    case 19:
        SelectRow(Waveform1, value);
        break;
    case 20:
        Freq1.SetText(value);
        break;
    case 21:
        Ampl1.SetText(value);
        break;
    case 22:
        SelectRow(Waveform2, value);
        break;
    case 23:
        Freq2.SetText(value);
        break;
    case 24:
        Ampl2.SetText(value);
        break;
    default:
        break;
    }
}

ScopeSettings TForm2::CurrentSettings() const {
    ScopeSettings s;
    s.SwpSp = SweepSpeed.ItemIndex();
    s.SySrc = SyncSrcBox.ItemIndex();
    s.SyPol = SyncPolBox.ItemIndex();
    s.ComPt = ComPort.ItemIndex();
    s.Prob1 = Chan1Probe.ItemIndex();
    s.Scal1 = Scale1.ItemIndex();
    s.Prob2 = Chan2Probe.ItemIndex();
    s.Scal2 = Scale2.ItemIndex();
    s.SyLev = SyncVoltBar.Position();
    s.SyPos = SyncPosBar.Position();
    s.Wleft = FormLeft();
    s.Wtopp = FormTop();
    s.Wwidt = FormWidth();
    s.Whigh = FormHeight();
    s.Scop1 = Scope1CheckBox.Checked();
    s.Scop2 = Scope2CheckBox.Checked();
    s.Fft1C = Fft1CheckBox.Checked();
    s.Fft2C = Fft2CheckBox.Checked();
    s.Hold = HoldBox.Checked();
    s.Wave1 = Waveform1.ItemIndex();
    s.Freq1 = Freq1.Text();
    s.Ampl1 = Ampl1.Text();
    s.Wave2 = Waveform2.ItemIndex();
    s.Freq2 = Freq2.Text();
    s.Ampl2 = Ampl2.Text();
    return s;
}

// A failed save leaves the previous file whole and is not reported; the memo
// tells a save in place, which a failure halfway could cut short, from a whole
// replacement.
void TForm2::SaveConfig() {
    switch (WriteConfigFile(environment_.configPath,
                            FormatConfig(CurrentSettings(), Link.PortPath.data()))) {
    case SaveOutcome::Replaced:
        Display.Add("Config.Ini saved");
        break;
    case SaveOutcome::WrittenInPlace:
        Display.Add("Config.Ini saved in place: its folder takes no new file");
        break;
    case SaveOutcome::ReadOnly:
        Display.Add("Config.Ini is read-only: settings not saved");
        break;
    case SaveOutcome::Failed:
        break;
    }
}

// The settings come from the controls, so saving never waits on the line; the link
// thread is then stopped, cutting short whatever port call it is in.
void TForm2::FormClose() {
    SaveConfig();
    SetCursor(tk::Cursor::Hourglass);
    link_.Stop();
}

// Puts the instrument settings back to their factory values and sends them all;
// the window, the check boxes and the generator's controls stay as they are.
void TForm2::DefaultsClick() {
    SweepSpeed.SetItemIndex(0);
    SyncSrcBox.SetItemIndex(0);
    SyncPolBox.SetItemIndex(0);
    ComPort.SetItemIndex(DefaultPortRow(Link));
    Chan1Probe.SetItemIndex(0);
    Scale1.SetItemIndex(0);
    Chan2Probe.SetItemIndex(0);
    Scale2.SetItemIndex(0);
    SyncVoltBar.SetPosition(0);
    SyncPosBar.SetPosition(0);

    ComPortClick();
    Scale1Click();
    Scale2Click();
    SweepSpeedClick();
    Chan1ProbeClick();
    Chan2ProbeClick();
    UpdateSyncClick();
    UpdateSigGen(0);
    UpdateSigGen(1);
}

} // namespace duruz
