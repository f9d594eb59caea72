#pragma once

namespace duruz {

constexpr int kProbeRows = 2;
constexpr int kRangeRows = 8;

// The range list's texts for each probe, indexed by probe row * 8 + range row. Single-byte
// Windows-1252: the sign is byte 0xB1.
extern const char* const RangeLabelTable[kProbeRows * kRangeRows];

// The text of one range row under one probe. A probe row other than 0 (x10) counts as
// x1, so a list without a selected probe still gets labels; a range row outside 0..7
// gives the nearest row.
const char* RangeLabel(int probeRow, int rangeRow);

} // namespace duruz
