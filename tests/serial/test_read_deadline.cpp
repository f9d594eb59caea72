#include "serial/read_deadline.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using serial::ReadDeadline;

// A 128-byte read begun at 1 s, with the link's time-outs (1 ms gap, 1 ms a byte plus
// 1 ms): the gap after the first byte ends it unless the total bound comes first.
TEST(ReadDeadline, EndsAtTheFirstGapAfterAByteOrAtTheTotalBound) {
    const ReadDeadline link = ReadDeadline::For({1, 1, 1, 0, 0}, 128, 1'000'000);
    EXPECT_EQ(std::tuple(link.immediate, link.totalEnd, link.WaitEnd(0, 1'000'000),
                         link.WaitEnd(1, 1'050'000), link.WaitEnd(1, 1'128'000),
                         link.WaitEnd(1, 1'127'999)),
              std::tuple(false, 1'129'000, 1'129'000, 1'051'000, 1'129'000, 1'128'999));
    // No total bound: only a gap ends a read, and before the first byte nothing does.
    const ReadDeadline gapOnly = ReadDeadline::For({5, 0, 0, 0, 0}, 8, 0);
    EXPECT_EQ(std::tuple(gapOnly.WaitEnd(0, 0), gapOnly.WaitEnd(3, 70)),
              std::tuple(ReadDeadline::kNever, 5'070));
    // Win32's "at once" and an absurd total bound, capped so it cannot overflow.
    const ReadDeadline atOnce = ReadDeadline::For({0xFFFFFFFFu, 0, 0, 0, 0}, 8, 0);
    const ReadDeadline endless = ReadDeadline::For({0, 0xFFFFFFFFu, 0, 0, 0}, 1u << 20, 0);
    EXPECT_EQ(
        std::tuple(atOnce.immediate, atOnce.WaitEnd(1, 0), endless.totalEnd),
        std::tuple(true, ReadDeadline::kNever, std::int64_t(ReadDeadline::kMaxTotalMs) * 1000));
}

} // namespace
