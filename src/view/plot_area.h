#pragma once

#include <cstdint>

namespace duruz {

// The drawing area of the screen, recomputed at every redraw. y grows downwards.
struct PlotArea {
    std::int32_t left = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The area right of the level bar and above the position bar and the control strip.
inline PlotArea ComputePlotArea(std::int32_t clientWidth, std::int32_t clientHeight,
                                std::int32_t levelBarWidth, std::int32_t positionBarHeight,
                                std::int32_t controlsHeight) {
    PlotArea area;
    area.left = levelBarWidth;
    area.width = clientWidth - area.left;
    area.height = clientHeight - 1 - positionBarHeight - controlsHeight;
    return area;
}

} // namespace duruz
