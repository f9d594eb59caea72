#include "serial/read_deadline.h"

#include <gtest/gtest.h>

namespace {

using serial::ReadDeadline;

// A 128-byte read begun at 1 s with the link's time-outs (1 ms gap, 1 ms a byte plus
// 1 ms) ends at the first gap after a byte unless the total bound comes first; with
// no total bound nothing ends it before the first byte; Win32's "at once" never
// waits, and an absurd total bound is capped so it cannot overflow.
TEST(ReadDeadline, EndsAtTheFirstGapAfterAByteOrAtTheTotalBound) {
    const ReadDeadline link = ReadDeadline::For({1, 1, 1, 0, 0}, 128, 1'000'000);
    const ReadDeadline gapOnly = ReadDeadline::For({5, 0, 0, 0, 0}, 8, 0);
    const ReadDeadline atOnce = ReadDeadline::For({0xFFFFFFFFu, 0, 0, 0, 0}, 8, 0);
    const ReadDeadline endless = ReadDeadline::For({0, 0xFFFFFFFFu, 0, 0, 0}, 1u << 20, 0);
    EXPECT_EQ(std::tuple(link.WaitEnd(0, 1'000'000), link.WaitEnd(1, 1'050'000),
                         link.WaitEnd(1, 1'128'000), link.WaitEnd(1, 1'127'999),
                         gapOnly.WaitEnd(0, 0), gapOnly.WaitEnd(3, 70), link.immediate,
                         atOnce.immediate, atOnce.WaitEnd(1, 0), endless.totalEnd),
              std::tuple(1'129'000, 1'051'000, 1'129'000, 1'128'999, ReadDeadline::kNever, 5'070,
                         false, true, ReadDeadline::kNever, (std::int64_t(1) << 40) * 1000));
}

} // namespace
