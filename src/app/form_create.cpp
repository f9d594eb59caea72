#include "app/tform2.h"
#include "app/version.h"

#include "link/port_list.h"

#include <cstdio>
#include <string>

namespace duruz {

namespace {

constexpr const char* kCaption = "RORU-Duruz Rev " DURUZ_VERSION " Dec 15 2025 15:05:33";

} // namespace

// Start-up: defaults into the controls, the port list, the saved settings, then
// every handler in an order that opens the port before anything is sent and
// relabels each range list before its range goes out.
void TForm2::FormCreate() {
    SetCaption(kCaption);
    Display.Clear();
    const int interval = Timer1.Interval();
    link_.Post([interval](LinkContext& link) { link.link.TimerInterval = interval; });

    SweepSpeed.SetItemIndex(SweepSpeed.Count() - 1);
    Scale1.SetItemIndex(Scale1.Count() - 1);
    Scale2.SetItemIndex(Scale2.Count() - 1);
    Chan1Probe.SetItemIndex(Chan1Probe.Count() - 1);
    Chan2Probe.SetItemIndex(Chan2Probe.Count() - 1);

    SyncVoltBar.SetPosition(0);
    SyncPosBar.SetPosition((SyncPosBar.Min() + SyncPosBar.Max()) / 2);

    EnumeratePorts(Link, PortSourcesOf(Environment()));
    FillPortRows();
    ComPort.SetItemIndex(DefaultPortRow(Link));

    char line[80];
    std::snprintf(line, sizeof line, "W: %d %d %d %d\r\n", FormLeft(), FormTop(), FormWidth(),
                  FormHeight());
    link_.AddLine(line);

    LoadConfig();
    link_.SetHold(HoldBox.Checked());

    CheckListSelection(ComPort, DefaultPortRow(Link));
    ComPortClick();
    SendCompleteSetting();
    CaptureSettings = SettingsOfControls();
}

// The range lists are relabelled for their probes before their ranges go out.
void TForm2::SendCompleteSetting() {
    CheckListSelection(SweepSpeed);
    SweepSpeedClick();
    CheckListSelection(SyncSrcBox);
    CheckListSelection(SyncPolBox);
    UpdateSyncClick();
    CheckListSelection(Chan1Probe);
    Chan1ProbeClick();
    CheckListSelection(Scale1);
    Scale1Click();
    CheckListSelection(Chan2Probe);
    Chan2ProbeClick();
    CheckListSelection(Scale2);
    Scale2Click();
    UpdateSigGen(0);
    UpdateSigGen(1);
}

// Each row starts with the device's name, so a stored row index keeps its meaning;
// what the device is goes into its tooltip, and into the row when there is room.
void TForm2::FillPortRows() {
    const int selected = ComPort.ItemIndex();
    ComPort.Clear();
    for (std::uint32_t i = 0; i < Link.PortCount && i < Link.PortTable.size(); ++i) {
        const PortEntry& entry = Link.PortTable[i];
        const std::string name = entry.name.data();
        std::string described = name;
        if (entry.description[0] != '\0')
            described += std::string(" \x97 ") + entry.description.data(); // an em dash
        if (entry.disconnected)
            described += " (disconnected)";
        std::string row = name;
        if (ComPort.TextFits(described))
            row = described;
        else if (entry.disconnected && ComPort.TextFits(name + " (disconnected)"))
            row = name + " (disconnected)";
        ComPort.Add(row);
        ComPort.SetItemHint(static_cast<int>(i), described);
    }
    ComPort.SetItemIndex(selected);
}

PortSources PortSourcesOf(const FormEnvironment& environment) {
    PortSources sources;
    sources.sysfsRoot = environment.sysfsRoot;
    sources.extraPaths = environment.extraPorts;
    sources.offerSimulator = environment.offerSimulator;
    return sources;
}

} // namespace duruz
