#include "session/measure_log.h"

#include "session/recording_info.h"

#include <cstdio>

namespace duruz {

namespace {

// The program never sets a locale, so printf's numbers have a dot. A value that
// cannot be measured is an empty cell.
void AppendCell(std::string& out, bool known, double value) {
    out += ',';
    if (!known)
        return;
    char text[48];
    const int length = std::snprintf(text, sizeof text, "%.9g", value);
    out.append(text, static_cast<std::size_t>(length));
}

} // namespace

std::string MeasureCsvHeader() {
    return "frame,host_time,channel,frequency_hz,period_s,vpp_v,min_v,max_v,mean_v,rms_v,"
           "duty_percent,clipped\n";
}

void AppendMeasureCsvRows(std::string& out, std::uint64_t frame, std::int64_t wallMillis,
                          const ScopeSettings& capturedUnder, const CaptureStore& samples,
                          MeasureScratch& scratch) {
    char time[kIsoTimeSize];
    const std::size_t timeLength = FormatIsoTime(wallMillis, time);
    for (int c = 0; c < 2; ++c) {
        const ChannelSettings& ch = capturedUnder.channels[static_cast<std::size_t>(c)];
        const ChannelMeasurements m = MeasureChannel(samples, c, ch.probeRow, ch.rangeRow, scratch);
        char start[32];
        out.append(start,
                   static_cast<std::size_t>(std::snprintf(start, sizeof start, "%llu,",
                                                          static_cast<unsigned long long>(frame))));
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

} // namespace duruz
