#pragma once

#include "link/input_ranges.h"

#include <array>
#include <cstddef>
#include <string>

namespace duruz {

// The rows of the window's lists, in list order, as the user sees them and the
// export's header names them. Single-byte Windows-1252.
inline constexpr std::array<const char*, 2> kSweepRowTexts{"XY Mode", "2 mSec/div"};
inline constexpr std::array<const char*, 2> kSourceRowTexts{"Ch1", "Ch2"};
inline constexpr std::array<const char*, 2> kPolarityRowTexts{"Fall", "Rise"};
inline constexpr std::array<const char*, kProbeRows> kProbeRowTexts{"x10", "x1"};

// Both generator channels list the first ten rows, the tenth a blank that sends
// code '9'; channel 2's list alone has the eleventh, empty row (code ':').
inline constexpr std::array<const char*, 11> kWaveformRowTexts{"Off",
                                                               "Sine",
                                                               "Cosine",
                                                               "Saw Rising",
                                                               "Saw Falling",
                                                               "Saw Symmetrical",
                                                               "Sqr 50%",
                                                               "Sqr 10%",
                                                               "Sqr 90%",
                                                               " ",
                                                               ""};

// How many rows channel 0's (10) or channel 1's (11) waveform list has.
constexpr int WaveformRowCount(int channel) {
    return channel == 0 ? 10 : 11;
}

// The range list's rows under a probe row: x10 labels for row 0, x1 labels for any
// other row (a list with no probe selected shows the x1 labels).
std::array<const char*, kRangeRows> RangeRowTexts(int probeRow);

// A row's text, or "" for -1 or a row the list does not have, as a list with no
// row selected gives an empty text.
template <std::size_t N> const char* RowText(const std::array<const char*, N>& rows, int row) {
    return row >= 0 && static_cast<std::size_t>(row) < N ? rows[static_cast<std::size_t>(row)] : "";
}

// A list text as UTF-8 ("\261" the plus-minus sign, "\227" the em dash).
std::string Utf8Text(const std::string& windows1252);

} // namespace duruz
