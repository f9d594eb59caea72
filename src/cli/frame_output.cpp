#include "cli/frame_output.h"

#include "session/list_texts.h"
#include "session/setting_steps.h"
#include "view/export_csv.h"
#include "view/sample_scale.h"

#include <cstdio>

namespace duruz::cli {

namespace {

// The program never sets a locale, so printf's numbers have a dot.
std::string Number(double value, const char* format = "%.9g") {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : Utf8Text(text)) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

const char* WaveformText(int row) {
    return row < 0 ? kWaveformRowTexts[0] : RowText(kWaveformRowTexts, row);
}

std::string GeneratorText(const ScopeSettings& s) {
    std::string text;
    for (std::size_t c = 0; c < 2; ++c)
        text += std::string(c == 0 ? "generator A " : ", B ") +
                WaveformText(s.generator[c].waveformRow) + " " + s.generator[c].frequency + " Hz " +
                s.generator[c].amplitude + " V";
    return text;
}

} // namespace

std::string CaptureCsv(const FrameHeader& header, const CaptureStore& frame) {
    const LinkCounters& n = header.counters;
    std::string text = "# frame " + std::to_string(header.sequence) + ", host time " +
                       header.hostTime + ", monotonic " + Number(header.monotonicSeconds, "%.6f") +
                       " s, " + GeneratorText(header.settings) + ", resyncs " +
                       std::to_string(n.resyncs) + ", stale " + std::to_string(n.stale) +
                       ", timeouts " + std::to_string(n.timeoutsEmpty) + " empty " +
                       std::to_string(n.timeoutsPartial) + " partial\n";
    return text + Utf8Text(FrameCsv(frame, CsvExportInfoOf(header.settings, header.settings,
                                                           header.hostTime, header.port)));
}

std::string CaptureJson(const FrameHeader& header, const CaptureStore& frame) {
    const ScopeSettings& s = header.settings;
    const TriggerState trigger = TriggerOf(s);
    std::string json =
        "{\"frame\":" + std::to_string(header.sequence) +
        ",\"host_time\":" + JsonString(header.hostTime) +
        ",\"monotonic_s\":" + Number(header.monotonicSeconds, "%.6f") +
        ",\"port\":" + JsonString(header.port) +
        ",\"setting\":{\"sweep\":" + JsonString(RowText(kSweepRowTexts, s.sweepRow)) +
        ",\"trigger\":{\"source\":" + JsonString(RowText(kSourceRowTexts, s.trigger.sourceRow)) +
        ",\"polarity\":" + JsonString(RowText(kPolarityRowTexts, s.trigger.polarityRow)) +
        ",\"level\":" + std::to_string(trigger.SyncLevel) +
        ",\"position\":" + std::to_string(trigger.SyncPosition) + "},\"channels\":[";
    for (std::size_t c = 0; c < 2; ++c) {
        const ChannelSettings& ch = s.channels[c];
        json += std::string(c ? "," : "") +
                "{\"probe\":" + JsonString(RowText(kProbeRowTexts, ch.probeRow)) +
                ",\"range\":" + JsonString(RowText(RangeRowTexts(ch.probeRow), ch.rangeRow)) + "}";
    }
    json += "],\"generator\":[";
    for (std::size_t c = 0; c < 2; ++c)
        json += std::string(c ? "," : "") +
                "{\"wave\":" + JsonString(WaveformText(s.generator[c].waveformRow)) +
                ",\"freq_hz\":" + JsonString(s.generator[c].frequency) +
                ",\"ampl_v\":" + JsonString(s.generator[c].amplitude) + "}";
    const LinkCounters& n = header.counters;
    json += "]},\"counters\":{\"frames_received\":" + std::to_string(n.framesReceived) +
            ",\"resyncs\":" + std::to_string(n.resyncs) +
            ",\"resync_bytes\":" + std::to_string(n.resyncBytes) +
            ",\"stale\":" + std::to_string(n.stale) +
            ",\"timeouts_empty\":" + std::to_string(n.timeoutsEmpty) +
            ",\"timeouts_partial\":" + std::to_string(n.timeoutsPartial) + "}";
    for (int c = 0; c < 2; ++c) {
        const ChannelSettings& ch = s.channels[static_cast<std::size_t>(c)];
        std::string raw, volts;
        for (std::size_t i = 0; i < kSamplePairs; ++i) {
            const int sample = frame.Sample(i, c);
            if (i != 0) {
                raw += ',';
                volts += ',';
            }
            raw += std::to_string(sample);
            volts += Number(SampleVolts(sample, ch.probeRow, ch.rangeRow) + 0.0, "%.6f");
        }
        json += ",\"ch" + std::to_string(c + 1) + "_raw\":[" + raw + "],\"ch" +
                std::to_string(c + 1) + "_V\":[" + volts + "]";
    }
    return json + "}\n";
}

} // namespace duruz::cli
