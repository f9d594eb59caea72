#include "view/spectrum_transform.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace duruz {

namespace {

// Each entry is the single-precision sine written with six decimals and read
// back: the transform's results depend on exactly these rounded values. The
// text is made with to_chars so that no locale can change the decimal point.
std::array<float, kSineTableSize> BuildSineTable() {
    std::array<float, kSineTableSize> table{};
    for (int k = 0; k < kSineTableSize; ++k) {
        const float sine = static_cast<float>(std::sin(2.0 * std::numbers::pi * k / kStepsPerTurn));
        char text[32];
        const auto written = std::to_chars(text, text + sizeof text, static_cast<double>(sine),
                                           std::chars_format::fixed, 6);
        float value = 0.0f;
        std::from_chars(text, written.ptr, value);
        table[k] = value;
    }
    return table;
}

constexpr std::array<std::int32_t, kBitReverseSize> BuildBitReverseTable() {
    std::array<std::int32_t, kBitReverseSize> table{};
    for (int k = 0; k < kBitReverseSize; ++k) {
        int reversed = 0;
        for (int bit = 0; bit < 12; ++bit)
            reversed |= ((k >> bit) & 1) << (11 - bit);
        table[k] = reversed;
    }
    return table;
}

const std::array<float, kSineTableSize> kSineTable = BuildSineTable();
constexpr std::array<std::int32_t, kBitReverseSize> kBitReverseTable = BuildBitReverseTable();

static_assert(kBitReverseTable[1] == 2048 && kBitReverseTable[3] == 3072 &&
              kBitReverseTable[4095] == 4095);

} // namespace

const std::array<float, kSineTableSize>& SineTable = kSineTable;
const std::array<std::int32_t, kBitReverseSize>& BitReverseTable = kBitReverseTable;

} // namespace duruz
