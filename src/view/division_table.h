#pragma once

#include <cstdint>

namespace duruz {

// One vertical division in tenths of a volt, by probe row (0 "x10", 1 "x1") and
// range row (0 the widest, 24 V at x1, to 7 the narrowest, 1 V at x1). Five
// divisions from the centre line make the full range. The ninth column is
// reached by no range row.
constexpr std::int32_t DivisionTable[2][9] = {
    {480, 400, 320, 240, 160, 80, 40, 20, 0},
    {48, 40, 32, 24, 16, 8, 4, 2, 0},
};

// The table entry for a probe and range selection. A probe row outside the
// table reads as x1; a range row outside it (no selection) reads the zero entry,
// so the labels claim no range rather than a wrong one.
constexpr std::int32_t DivisionTenths(int probeRow, int rangeRow) {
    const int row = probeRow == 0 || probeRow == 1 ? probeRow : 1;
    const int column = rangeRow >= 0 && rangeRow < 8 ? rangeRow : 8;
    return DivisionTable[row][column];
}

} // namespace duruz
