#include "e2e/capture_frame.h"

namespace e2e {

namespace {

constexpr int kHeaderBytes = 128;
constexpr int kPairs = 2048;

void PutLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int b = 0; b < size; ++b)
        bytes[at + std::size_t(b)] = char((value >> (8 * b)) & 0xFF);
}

} // namespace

std::string CaptureFrame(const std::function<std::int16_t(int i)>& channel1,
                         const std::function<std::int16_t(int i)>& channel2) {
    std::string bytes(kHeaderBytes + kPairs * 4, '\0');
    bytes.replace(0, 4, "xHxH");
    PutLittleEndian(bytes, 4, kPairs, 4);
    for (int i = 0; i < kPairs; ++i) {
        const std::size_t at = kHeaderBytes + std::size_t(i) * 4;
        PutLittleEndian(bytes, at, std::uint16_t(channel1(i)), 2);
        PutLittleEndian(bytes, at + 2, std::uint16_t(channel2(i)), 2);
    }
    return bytes;
}

std::string SquareWaveFrame(int period, std::int16_t low, std::int16_t high, std::int16_t level) {
    return CaptureFrame([=](int i) { return i % period < period / 2 ? low : high; },
                        [=](int) { return level; });
}

} // namespace e2e
