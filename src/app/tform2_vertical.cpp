// The window's vertical controls: probe lists that relabel the range lists, and
// range lists that send the channel's range.
#include "app/tform2.h"

#include "link/commands.h"
#include "panel/probe_ranges.h"

#include <cstdio>

namespace duruz {

namespace {

// Relabels the range list for the probe, keeping the range row the panel chooses;
// nothing is sent.
void RelabelRanges(int channelNumber, tk::ListBox& probe, tk::ListBox& scale, tk::LineLog& log) {
    const int probeRow = probe.ItemIndex();
    char line[32];
    std::snprintf(line, sizeof line, "ProbeType%d %d", channelNumber, probeRow);
    log.Add(line);

    const RangeRows rows = RangeRowsForProbe(probeRow, scale.ItemIndex());
    scale.Clear();
    for (const char* label : rows.labels)
        scale.Add(label);
    scale.SetItemIndex(rows.selected);
    scale.SetTopIndex(rows.selected);
}

} // namespace

void TForm2::Chan1ProbeClick() {
    RelabelRanges(1, Chan1Probe, Scale1, link_.Log());
}

void TForm2::Chan2ProbeClick() {
    RelabelRanges(2, Chan2Probe, Scale2, link_.Log());
}

void TForm2::Scale1Click() {
    const int row = Scale1.ItemIndex();
    PostSetting([row](LinkContext& link) { SendRange(link.link, link.log, 0, row); });
}

void TForm2::Scale2Click() {
    const int row = Scale2.ItemIndex();
    PostSetting([row](LinkContext& link) { SendRange(link.link, link.log, 1, row); });
}

} // namespace duruz
