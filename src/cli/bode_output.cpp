#include "cli/bode_output.h"

#include "cli/cli_options.h"
#include "session/list_texts.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace duruz::cli {

namespace {

// Numbers in the C locale, which the tool never leaves.
std::string Number(const char* format, double value) {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string RangeText(int probeRow, int rangeRow) {
    if (rangeRow < 0 || rangeRow >= kRangeRows)
        return "";
    return Utf8Text(RangeRowTexts(probeRow)[static_cast<std::size_t>(rangeRow)]);
}

std::string CrossingLine(const char* name, const CrossingReadout& crossing) {
    if (!crossing.found)
        return std::string("# ") + name + ": none\n";
    return std::string("# ") + name + ": " + Number("%.6g", crossing.hertz) + " Hz, gain " +
           Number("%.4f", crossing.gainDb) + " dB, phase " + Number("%.3f", crossing.phaseDegrees) +
           " degrees\n";
}

} // namespace

std::string BodeCsv(std::span<const SweepPoint> points, bool complete) {
    const SweepReadouts readouts = ReadSweepPoints(points);
    std::string text = "frequency_hz,gain_db,phase_deg,group_delay_s,range1,range2,ch1_re_v,"
                       "ch1_im_v,ch2_re_v,ch2_im_v,status\n";
    for (std::size_t i = 0; i < points.size(); ++i) {
        const SweepPoint& point = points[i];
        const PointReadout& readout = readouts.points[i];
        text += Number("%.9g", point.hertz) + ",";
        if (readout.measured)
            text += Number("%.4f", readout.gainDb) + "," + Number("%.3f", readout.phaseDegrees);
        else
            text += ",";
        text += "," + (readout.hasGroupDelay ? Number("%.6e", readout.groupDelaySeconds) : "");
        text += "," + RangeText(point.probeRows[0], point.rangeRows[0]) + "," +
                RangeText(point.probeRows[1], point.rangeRows[1]);
        for (const std::complex<double>& volts : point.volts)
            text += "," + Number("%.6e", volts.real()) + "," + Number("%.6e", volts.imag());
        text += "," + PointStatusText(point) + "\n";
    }
    if (!complete)
        text += "# stopped after " + std::to_string(points.size()) + " points\n";
    if (readouts.points.empty() || std::none_of(readouts.points.begin(), readouts.points.end(),
                                                [](const PointReadout& p) { return p.measured; }))
        return text + "# no point measured\n";
    text += "# maximum gain: " + Number("%.4f", readouts.maxGainDb) + " dB\n";
    text += CrossingLine("-3 dB below the maximum", readouts.lowerCorner);
    text += CrossingLine("-3 dB above the maximum", readouts.upperCorner);
    text += CrossingLine("phase -180 degrees", readouts.phaseAt180);
    return text;
}

} // namespace duruz::cli
