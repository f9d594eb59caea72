#include "session/settings_defaults.h"

#include "link/input_ranges.h"

namespace duruz {

namespace {

constexpr std::int32_t kLevelBarStart = 0;
constexpr std::int32_t kPositionBarMiddle = (0 + 2048) / 2;

} // namespace

void ApplyStartupDefaults(ScopeSettings& settings, int defaultPortRow) {
    settings.sweepRow = 1;
    for (ChannelSettings& channel : settings.channels) {
        channel.rangeRow = kRangeRows - 1;
        channel.probeRow = kProbeRows - 1;
    }
    settings.trigger.levelBar = kLevelBarStart;
    settings.trigger.positionBar = kPositionBarMiddle;
    settings.port.row = defaultPortRow;
}

void ApplyFactoryReset(ScopeSettings& settings, int defaultPortRow) {
    settings.sweepRow = 0;
    settings.trigger.sourceRow = 0;
    settings.trigger.polarityRow = 0;
    settings.port.row = defaultPortRow;
    for (ChannelSettings& channel : settings.channels) {
        channel.probeRow = 0;
        channel.rangeRow = 0;
    }
    settings.trigger.levelBar = 0;
    settings.trigger.positionBar = 0;
}

} // namespace duruz
