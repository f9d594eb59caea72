#include "view/fft_tables.h"

namespace duruz {

namespace {

FftTables BuildFftTables() {
    FftTables t{};
    const auto& sine = SineTable;
    for (int g = 0; g < 2048; ++g) {
        const int k = BitReverseTable[2 * g];
        t.groupCos[2 * g] = t.groupCos[2 * g + 1] = sine[k + 1024];
        t.groupSin[2 * g] = sine[k];
        t.groupSin[2 * g + 1] = -sine[k];
    }
    for (int q = 0; q < 2048; ++q) {
        const int ki = q / 2;
        const int kp = q == 0 ? 0 : (4096 - q) / 2;
        t.split[4 * q + 0] = sine[ki + 1024];
        t.split[4 * q + 1] = sine[ki];
        t.split[4 * q + 2] = sine[kp + 1024];
        t.split[4 * q + 3] = sine[kp];
    }
    for (int k = 0; k < 1024; ++k)
        t.window[2 * k] = t.window[2 * k + 1] = sine[1024 + 4 * k];
    int count = 0;
    for (int m = 0; m <= 12; ++m) {
        t.swapStart[m] = count;
        const int shift = 12 - m;
        for (int i = 0; i < (1 << m); ++i) {
            const int r = BitReverseTable[i << shift];
            if (i < r) {
                t.swapPairs[2 * count] = static_cast<std::uint16_t>(i);
                t.swapPairs[2 * count + 1] = static_cast<std::uint16_t>(r);
                ++count;
            }
        }
    }
    t.swapStart[13] = count;
    return t;
}

} // namespace

const FftTables& TheFftTables() {
    static const FftTables tables = BuildFftTables();
    return tables;
}

} // namespace duruz
