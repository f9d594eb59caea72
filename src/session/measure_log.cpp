#include "session/measure_log.h"

#include "session/recording_info.h"
#include "view/number_text.h"

namespace duruz {

namespace {

// Nine significant digits with a '.', whatever locale the window runs in. A value
// that cannot be measured is an empty cell.
void AppendCell(std::string& out, bool known, double value) {
    out += ',';
    if (known)
        AppendNumber(out, value, std::chars_format::general, 9);
}

template <typename Frame>
void AppendRows(std::string& out, std::uint64_t frame, std::int64_t wallMillis,
                const ScopeSettings& capturedUnder, const Frame& samples, MeasureScratch& scratch) {
    char time[kIsoTimeSize];
    const std::size_t timeLength = FormatIsoTime(wallMillis, time);
    for (int c = 0; c < 2; ++c) {
        const ChannelSettings& ch = capturedUnder.channels[static_cast<std::size_t>(c)];
        const ChannelMeasurements m = MeasureChannel(samples, c, ch.probeRow, ch.rangeRow, scratch);
        AppendInt(out, static_cast<long long>(frame));
        out += ',';
        out.append(time, timeLength);
        out += ',';
        out += static_cast<char>('1' + c);
        AppendCell(out, m.hasFrequency, m.frequency);
        AppendCell(out, m.hasFrequency, m.period);
        AppendCell(out, true, m.vpp);
        AppendCell(out, true, m.vmin);
        AppendCell(out, true, m.vmax);
        AppendCell(out, true, m.mean);
        AppendCell(out, true, m.rms);
        AppendCell(out, m.hasDuty, m.duty);
        out += m.overRange ? ",1\n" : ",0\n";
    }
}

} // namespace

std::string MeasureCsvHeader() {
    return "frame,host_time,channel,frequency_hz,period_s,vpp_v,min_v,max_v,mean_v,rms_v,"
           "duty_percent,clipped\n";
}

void AppendMeasureCsvRows(std::string& out, std::uint64_t frame, std::int64_t wallMillis,
                          const ScopeSettings& capturedUnder, const CaptureStore& samples,
                          MeasureScratch& scratch) {
    AppendRows(out, frame, wallMillis, capturedUnder, samples, scratch);
}

void AppendMeasureCsvRows(std::string& out, std::uint64_t frame, std::int64_t wallMillis,
                          const ScopeSettings& capturedUnder, const FloatFrame& samples,
                          MeasureScratch& scratch) {
    AppendRows(out, frame, wallMillis, capturedUnder, samples, scratch);
}

} // namespace duruz
