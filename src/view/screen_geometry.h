#pragma once

#include "link/capture_store.h"
#include "view/plot_area.h"
#include "view/sample_scale.h"

#include <cmath>
#include <cstdint>

namespace duruz {

// Where samples, spectrum bins and the graticule land in the plot area, in whole
// pixels; all integer arithmetic, truncating as the drawing always has, so that a
// test can name the exact pixel.

constexpr std::int32_t kDivisions = 10; // the graticule's lines split each axis in ten

// A sample's row: -kFullScaleCount at the top edge, +kFullScaleCount at the bottom,
// a span of 4,094 sample steps.
constexpr std::int32_t SampleY(std::int32_t sample, std::int32_t height) {
    return ((sample + kFullScaleCount) * height) / (2 * kFullScaleCount);
}
// The row of a floating-point sample, truncated as above: whole counts land on the
// same row.
inline std::int32_t SampleY(double sample, std::int32_t height) {
    return static_cast<std::int32_t>(
        std::trunc(((sample + kFullScaleCount) * height) / (2.0 * kFullScaleCount)));
}

// The sweep's column of sample index i: left + floor(width * i / 2048), the product
// taken unsigned so that a full-width window cannot overflow it.
constexpr std::int32_t SweepX(const PlotArea& area, std::int32_t i) {
    const std::uint32_t product =
        static_cast<std::uint32_t>(area.width) * static_cast<std::uint32_t>(i);
    return static_cast<std::int32_t>(product / kSamplePairs) + area.left;
}

// XY mode spans -kXyHalfSpan..+kXyHalfSpan across the width.
constexpr std::int32_t kXyHalfSpan = 2000;
constexpr std::int32_t XyX(std::int32_t sample, const PlotArea& area) {
    return ((sample + kXyHalfSpan) * area.width) / (2 * kXyHalfSpan) + area.left;
}
inline std::int32_t XyX(double sample, const PlotArea& area) {
    return static_cast<std::int32_t>(
               std::trunc(((sample + kXyHalfSpan) * area.width) / (2.0 * kXyHalfSpan))) +
           area.left;
}

// Spectrum bin k lies where sample 2k would: the 1,024 bins span the width.
constexpr std::int32_t BinX(const PlotArea& area, std::int32_t bin) {
    return SweepX(area, 2 * bin);
}

// A magnitude rises from the middle row, full scale counting as the sample span.
constexpr std::int32_t MagnitudeY(std::int32_t magnitude, std::int32_t height) {
    return height / 2 - (height * magnitude) / (2 * kFullScaleCount);
}

// Graticule line g (1..9) of the ten divisions.
constexpr std::int32_t GraticuleY(std::int32_t g, std::int32_t height) {
    return (height * g) / kDivisions;
}
constexpr std::int32_t GraticuleX(std::int32_t g, const PlotArea& area) {
    return (area.width * g) / kDivisions + area.left;
}

} // namespace duruz
