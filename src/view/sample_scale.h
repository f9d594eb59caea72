#pragma once

#include "link/capture_store.h"
#include "link/instrument_facts.h"
#include "view/division_table.h"

#include <cstddef>
#include <cstdint>

namespace duruz {

// The one conversion from samples to volts and from sample index to time: the
// screen's labels, the measurements and the export all go through it.
//
// Vertically, +-2047 counts are five divisions each way and a division is
// DivisionTenths / 10 volts; the most negative count is the top of the screen, so
// a count c reads -c * DivisionTenths / 4094 volts. Horizontally, the 2,048
// samples span ten divisions of 2 ms at kSampleRate.
constexpr std::int32_t kMillisecondsPerDivision = 2;
// One bin of the 2,048-sample spectrum: 50 Hz.
constexpr double kBinHertz = kSampleRate / double(kSamplePairs);

// Volts of one count under a probe and range selection (0 with no range selected).
constexpr double VoltsPerCount(int probeRow, int rangeRow) {
    return -double(DivisionTenths(probeRow, rangeRow)) / (2.0 * kFullScaleCount);
}

constexpr double SampleVolts(double count, int probeRow, int rangeRow) {
    return count * VoltsPerCount(probeRow, rangeRow);
}

// The volts at the top of the screen: "+-1 V" for the x1 probe's narrowest range.
constexpr double FullScaleVolts(int probeRow, int rangeRow) {
    return double(DivisionTenths(probeRow, rangeRow)) / 2.0;
}

// The label of a graticule line that lies the given number of divisions above the
// centre line, in millivolts.
constexpr std::int32_t GraticuleMillivolts(int probeRow, int rangeRow, int divisions) {
    return 100 * DivisionTenths(probeRow, rangeRow) * divisions;
}

constexpr double SampleSeconds(double index) {
    return index / kSampleRate;
}

// A count at an end of the range: the input may have been clipped there. The top
// of the screen, the most negative count, holds the highest volts.
// Counts or an average's floating-point counts.
template <typename Count> constexpr bool AtTopLimit(Count count) {
    return count <= -kFullScaleCount;
}
template <typename Count> constexpr bool AtBottomLimit(Count count) {
    return count >= kFullScaleCount;
}
// A side of a channel counts as clipped when this many of a frame's samples sit at
// its limit: a sine that just fills the range touches it only at its peaks, with
// the noise.
constexpr int kClippedSamples = int(kSamplePairs) / 50;

} // namespace duruz
