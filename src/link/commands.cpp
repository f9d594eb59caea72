#include "link/commands.h"

#include "link/capture_stream.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace duruz {

namespace {

// Appends to a CommandText and never writes past its 64 bytes: a field that does
// not fit is cut short. Every number goes through std::to_chars, which ignores the
// locale, so the decimal point is always '.'.
class TextWriter {
public:
    explicit TextWriter(CommandText& text) : text_(text) {}

    void Char(char c) {
        if (text_.length < sizeof text_.bytes)
            text_.bytes[text_.length++] = c;
    }
    void Text(const char* s) {
        for (; *s != '\0'; ++s)
            Char(*s);
    }
    // printf's %c: the int's low byte, computed without signed overflow.
    void Code(int base, int value) {
        Char(static_cast<char>(static_cast<unsigned>(base) + static_cast<unsigned>(value)));
    }
    // printf's %d, or %<width>d right-aligned and padded with spaces.
    void Int(int value, int width = 0) {
        char digits[16];
        const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
        const int length = static_cast<int>(r.ptr - digits);
        for (int pad = width - length; pad > 0; --pad)
            Char(' ');
        Copy(digits, r.ptr);
    }
    // printf's %f: fixed notation, six decimals.
    void Fixed(double value) {
        char digits[48];
        const std::to_chars_result r =
            std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
        if (r.ec == std::errc())
            Copy(digits, r.ptr);
    }

private:
    void Copy(const char* begin, const char* end) {
        for (; begin != end; ++begin)
            Char(*begin);
    }

    CommandText& text_;
};

// Rounds to a 32-bit float; a value beyond the float range becomes an infinity of
// its sign instead of an undefined conversion.
float ToFloat(double value) {
    constexpr double maxFloat = std::numeric_limits<float>::max();
    if (value > maxFloat)
        return std::numeric_limits<float>::infinity();
    if (value < -maxFloat)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// A lower limit, then an upper one, in that order. A NaN is taken as below the
// range, so it can never reach the wire as "nan".
float Limit(float value, float low, float high) {
    if (std::isnan(value) || low > value)
        value = low;
    if (value > high)
        value = high;
    return value;
}

constexpr int kWaveformRows = 11; // 9 waveforms and the lists' blank rows
constexpr int kWaveformOff = 0;

} // namespace

CommandText CaptureRequestCommand() {
    CommandText text;
    std::memcpy(text.bytes, "%z\r\n", 4);
    text.length = 4;
    return text;
}

CommandText RangeCommand(int channel, int rangeIndex) {
    CommandText text;
    TextWriter out(text);
    out.Char('%');
    out.Char(channel == 0 ? 'X' : 'Y');
    out.Int(rangeIndex);
    out.Char('\r');
    return text;
}

CommandText SyncCommand(int source, int polarity, int position, int level) {
    CommandText text;
    TextWriter out(text);
    out.Text("%S");
    out.Code('0', source);
    out.Code('0', polarity);
    out.Int(position, 5);
    out.Int(level, 5);
    out.Char('\r');
    return text;
}

CommandText SigGenCommand(int channel, int waveformRow, double frequency, double amplitude) {
    const float freq = Limit(ToFloat(frequency), kMinGeneratorHertz, kMaxGeneratorHertz);
    const float ampl = Limit(ToFloat(amplitude), kMinGeneratorVolts, kMaxGeneratorVolts);
    // With no row selected the generator is switched off rather than sent a
    // character outside the waveform codes.
    if (waveformRow < 0 || waveformRow >= kWaveformRows)
        waveformRow = kWaveformOff;

    CommandText text;
    TextWriter out(text);
    out.Text("%G");
    out.Code('0', channel);
    out.Code('0', waveformRow);
    out.Fixed(freq);
    out.Char(',');
    out.Fixed(ampl);
    return text;
}

void SendCommand(SerialLink& link, tk::LineLog& log, const CommandText& command) {
    log.Add(command.View());
    PortWrite(link, command.bytes, command.length);
}

void SendGeneratorCommand(SerialLink& link, tk::LineLog& log, const CommandText& command) {
    SendCommand(link, log, command);
    SettleAfterGenerator(link);
}

void SendRange(SerialLink& link, tk::LineLog& log, int channel, int rangeIndex) {
    CommandText line;
    TextWriter out(line);
    out.Text("Range ");
    out.Int(rangeIndex);
    log.Add(line.View());
    SendCommand(link, log, RangeCommand(channel, rangeIndex));
}

} // namespace duruz
