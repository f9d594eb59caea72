#include "session/setting_steps.h"

#include "session/list_texts.h"

#include <gtest/gtest.h>

namespace {

using namespace duruz;

// The screen and the export take the probes and the traces shown from the live
// settings, the rest from those the frame was captured under.
TEST(SettingSteps, ScreenAndExportTakeTheFramesOwnSetting) {
    ScopeSettings live;
    live.channels = {{{0, 1, false, true}, {1, 2, true, false}}};
    ScopeSettings captured;
    captured.sweepRow = 1;
    captured.trigger = {1, 0, -300, 100};
    captured.channels = {{{1, 5, true, false}, {0, 6, false, true}}};
    const ScreenInputs in = ScreenInputsOf(live, captured, {800, 600, 10, 11, 99});
    EXPECT_EQ(
        (std::vector<int>{in.clientWidth, in.clientHeight, in.levelBarWidth, in.positionBarHeight,
                          in.controlsHeight, in.sweepRow, in.probeRow[0], in.probeRow[1],
                          in.rangeRow[0], in.rangeRow[1], in.scope[0], in.scope[1], in.fft[0],
                          in.fft[1], in.syncPosition, in.syncLevel}),
        (std::vector<int>{800, 600, 10, 11, 99, 1, 0, 1, 5, 6, 0, 1, 1, 0, 100, 300}));

    const CsvExportInfo info = CsvExportInfoOf(live, captured, "2026-12-07 14:03:21", "COM5");
    EXPECT_EQ(info.sweep + "|" + info.sync + "|" + info.port, "2 mSec/div|Ch2 Fall|COM5");
    EXPECT_EQ((std::vector<int>{info.probeRow[0], info.probeRow[1], info.rangeRow[0],
                                info.rangeRow[1], info.syncLevel, info.syncPosition}),
              (std::vector<int>{0, 1, 5, 6, 300, 100}));
    captured.sweepRow = -1;
    captured.trigger.polarityRow = 2;
    EXPECT_EQ(CsvExportInfoOf(live, captured, "", "").sweep + "|" +
                  CsvExportInfoOf(live, captured, "", "").sync,
              "|Ch2 ");
    EXPECT_STREQ(RangeRowTexts(0)[0], "\261240V");
    EXPECT_STREQ(RangeRowTexts(-1)[7], "\2611 V");
}

} // namespace
