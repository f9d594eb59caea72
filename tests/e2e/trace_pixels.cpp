#include "e2e/trace_pixels.h"

#include <cstdio>

namespace e2e {

namespace {

std::string Describe(const char* what, int x, int y, long expected, long found) {
    char text[160];
    std::snprintf(text, sizeof text, "%s at (%d, %d): expected %06lX, found %06lX\n", what, x, y,
                  expected, found);
    return text;
}

} // namespace

std::string CheckSquareWave(const Screenshot& shot, const TraceArea& area, int period, int low,
                            int high, int level) {
    std::string problems;
    const int half = period / 2;
    for (int run = 0; run < 2048 / half; ++run) {
        const int x = SampleX(area, run * half + half / 2);
        const bool isLow = run % 2 == 0;
        const int y = SampleY(area, isLow ? low : high);
        const int other = SampleY(area, isLow ? high : low);
        if (shot.Pixel(x, y) != kRed)
            problems += Describe("channel 1", x, y, kRed, shot.Pixel(x, y));
        if (shot.Pixel(x, other) == kRed)
            problems += Describe("channel 1's other level", x, other, 0xF0F0F0, kRed);
        const int y2 = SampleY(area, level);
        if (shot.Pixel(x, y2) != kBlue)
            problems += Describe("channel 2", x, y2, kBlue, shot.Pixel(x, y2));
    }
    return problems;
}

} // namespace e2e
