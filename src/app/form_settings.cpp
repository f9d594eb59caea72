// The window's settings: Config.Ini read at start-up and written at close, and
// the factory reset.
#include "app/config_file.h"
#include "app/tform2.h"
#include "link/port_list.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace duruz {

namespace {

// A restored size larger than any desktop would give the window a picture too big to
// allocate when it is first shown; 8192 still spans an 8K screen or two 4K ones.
constexpr std::int32_t kMaxWindowExtent = 8192;

void Set(tk::ListBox& list, std::int32_t row) {
    list.SetItemIndex(row);
}
// A bar clamps the position and, when it moves, sends the trigger as a user's move would.
void Set(tk::ScrollBar& bar, std::int32_t position) {
    bar.SetPosition(position);
}
void Set(tk::CheckBox& box, bool checked) {
    box.SetChecked(checked);
}
void Set(tk::EditBox& edit, const std::string& text) {
    edit.SetText(text);
}
std::int32_t Held(const tk::ListBox& list) {
    return list.ItemIndex();
}
std::int32_t Held(const tk::ScrollBar& bar) {
    return bar.Position();
}
bool Held(const tk::CheckBox& box) {
    return box.Checked();
}
std::string Held(const tk::EditBox& edit) {
    return edit.Text();
}

void SetLeft(TForm2& form, std::int32_t left) {
    form.SetLeft(left);
}
void SetTop(TForm2& form, std::int32_t top) {
    form.SetTop(top);
}
void SetWidth(TForm2& form, std::int32_t width) {
    form.SetWidth(std::min(width, kMaxWindowExtent));
}
void SetHeight(TForm2& form, std::int32_t height) {
    form.SetHeight(std::min(height, kMaxWindowExtent));
}

// What holds one setting in the window: how a loaded value is applied, and how the
// value to save is taken.
struct SettingControl {
    SettingMember member;
    void (*apply)(TForm2&, const ScopeSettings&);
    void (*hold)(const TForm2&, ScopeSettings&);
};

template <auto Member, auto Control> constexpr SettingControl Bind() {
    return {Member, [](TForm2& form, const ScopeSettings& s) { Set(form.*Control, s.*Member); },
            [](const TForm2& form, ScopeSettings& s) { s.*Member = Held(form.*Control); }};
}

// A side of the window: set through its setter, read through the form's getter.
template <auto Member, auto Setter, auto Getter> constexpr SettingControl BindWindow() {
    return {Member, [](TForm2& form, const ScopeSettings& s) { Setter(form, s.*Member); },
            [](const TForm2& form, ScopeSettings& s) { s.*Member = (form.*Getter)(); }};
}

using S = ScopeSettings;
constexpr std::array<SettingControl, kConfigLines> kSettingControls{
    Bind<&S::SwpSp, &TForm2::SweepSpeed>(),
    Bind<&S::SySrc, &TForm2::SyncSrcBox>(),
    Bind<&S::SyPol, &TForm2::SyncPolBox>(),
    Bind<&S::ComPt, &TForm2::ComPort>(),
    Bind<&S::Prob1, &TForm2::Chan1Probe>(),
    Bind<&S::Scal1, &TForm2::Scale1>(),
    Bind<&S::Prob2, &TForm2::Chan2Probe>(),
    Bind<&S::Scal2, &TForm2::Scale2>(),
    Bind<&S::SyLev, &TForm2::SyncVoltBar>(),
    Bind<&S::SyPos, &TForm2::SyncPosBar>(),
    BindWindow<&S::Wleft, SetLeft, &TForm2::FormLeft>(),
    BindWindow<&S::Wtopp, SetTop, &TForm2::FormTop>(),
    BindWindow<&S::Wwidt, SetWidth, &TForm2::FormWidth>(),
    BindWindow<&S::Whigh, SetHeight, &TForm2::FormHeight>(),
    Bind<&S::Scop1, &TForm2::Scope1CheckBox>(),
    Bind<&S::Scop2, &TForm2::Scope2CheckBox>(),
    Bind<&S::Fft1C, &TForm2::Fft1CheckBox>(),
    Bind<&S::Fft2C, &TForm2::Fft2CheckBox>(),
    Bind<&S::Hold, &TForm2::HoldBox>(),
    Bind<&S::Wave1, &TForm2::Waveform1>(),
    Bind<&S::Freq1, &TForm2::Freq1>(),
    Bind<&S::Ampl1, &TForm2::Ampl1>(),
    Bind<&S::Wave2, &TForm2::Waveform2>(),
    Bind<&S::Freq2, &TForm2::Freq2>(),
    Bind<&S::Ampl2, &TForm2::Ampl2>(),
};

// The controls follow the file's lines one for one, so that each line is applied
// as soon as it is read and in the file's order.
constexpr bool InFileOrder() {
    for (std::size_t i = 0; i < kSettingControls.size(); ++i)
        if (kSettingControls[i].member != kSettingFields[i].member)
            return false;
    return true;
}
static_assert(InFileOrder());

} // namespace

// Reads the file line by line and hands each value to its control by position;
// a short file leaves the later settings as they are.
void TForm2::LoadConfig() {
    ConfigReader reader(environment_.configPath);
    if (reader.NotRegularFile())
        link_.AddLine("Config.Ini is not a regular file: settings not read");
    if (reader.IsOpen()) {
        link_.AddLine("Reading config");
        ScopeSettings read;
        for (int setting = 0; setting < kConfigLines; ++setting) {
            if (!reader.ReadConfigLine())
                break;
            link_.AddLine(reader.Line());
            ParseSetting(read, setting, reader.Value());
            kSettingControls[static_cast<std::size_t>(setting)].apply(*this, read);
        }
        link_.AddLine("End config");
    }
    // Saving over a file that could not be read, or not to its end, would lose the
    // settings in it.
    configReadError_ = reader.ReadError();
    if (!configReadError_.empty())
        link_.AddLine("Config.Ini could not be read: " + configReadError_);
}

ScopeSettings TForm2::CurrentSettings() const {
    ScopeSettings settings;
    for (const SettingControl& control : kSettingControls)
        control.hold(*this, settings);
    return settings;
}

// A failed save leaves the previous file whole and says why; the memo tells a save
// in place, which a failure halfway could cut short, from a whole replacement. A
// file that start-up could not read is left as it is.
void TForm2::SaveConfig() {
    if (!configReadError_.empty()) {
        Display.Add("Config.Ini could not be read: settings not saved");
        return;
    }
    const Result<SaveOutcome> saved = WriteConfigFile(
        environment_.configPath, FormatConfig(CurrentSettings(), Link.PortPath.data()));
    if (!saved.Ok()) {
        Display.Add("Config.Ini could not be saved: " + saved.Reason());
        return;
    }
    switch (saved.Value()) {
    case SaveOutcome::Replaced:
        Display.Add("Config.Ini saved");
        break;
    case SaveOutcome::WrittenInPlace:
        Display.Add("Config.Ini saved in place: its folder takes no new file");
        break;
    case SaveOutcome::ReadOnly:
        Display.Add("Config.Ini is read-only: settings not saved");
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
