#include "analysis/response_csv.h"

#include "session/list_texts.h"
#include "view/number_text.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace duruz {

namespace {

std::string Number(double value, std::chars_format format, int precision) {
    std::string text;
    AppendNumber(text, value, format, precision);
    return text;
}

std::string Fixed(double value, int decimals) {
    return Number(value, std::chars_format::fixed, decimals);
}

std::string RangeText(int probeRow, int rangeRow) {
    if (rangeRow < 0 || rangeRow >= kRangeRows)
        return "";
    return Utf8Text(RangeRowTexts(probeRow)[static_cast<std::size_t>(rangeRow)]);
}

std::string CrossingLine(const char* name, const CrossingReadout& crossing) {
    if (!crossing.found)
        return std::string("# ") + name + ": none\n";
    return std::string("# ") + name + ": " + Number(crossing.hertz, std::chars_format::general, 6) +
           " Hz, gain " + Fixed(crossing.gainDb, 4) + " dB, phase " +
           Fixed(crossing.phaseDegrees, 3) + " degrees\n";
}

} // namespace

std::string ResponseCsv(std::span<const SweepPoint> points, bool complete) {
    const SweepReadouts readouts = ReadSweepPoints(points);
    std::string text = "frequency_hz,gain_db,phase_deg,group_delay_s,range1,range2,ch1_re_v,"
                       "ch1_im_v,ch2_re_v,ch2_im_v,status,calibration\n";
    for (std::size_t i = 0; i < points.size(); ++i) {
        const SweepPoint& point = points[i];
        const PointReadout& readout = readouts.points[i];
        AppendNumber(text, point.hertz, std::chars_format::general, 9);
        text += ',';
        if (readout.measured) {
            AppendFixed(text, readout.gainDb, 4);
            text += ',';
            AppendFixed(text, readout.phaseDegrees, 3);
        } else if (point.rangeVisit && point.status == PointStatus::Measured) {
            AppendFixed(text, GainDb(point.ratio), 4);
            text += ',';
            AppendFixed(text, PhaseDegrees(point.ratio), 3);
        } else {
            text += ',';
        }
        text += ',';
        if (readout.hasGroupDelay)
            AppendNumber(text, readout.groupDelaySeconds, std::chars_format::scientific, 6);
        for (std::size_t c = 0; c < 2; ++c) {
            text += ',';
            text += RangeText(point.probeRows[c], point.rangeRows[c]);
        }
        for (const std::complex<double>& volts : point.volts)
            for (const double part : {volts.real(), volts.imag()}) {
                text += ',';
                AppendNumber(text, part, std::chars_format::scientific, 6);
            }
        text += ',';
        text += PointStatusText(point);
        text += ',';
        if (point.calibrationRows[0] < 0) {
            text += "none";
        } else {
            text += RangeText(point.probeRows[0], point.calibrationRows[0]);
            text += ' ';
            text += RangeText(point.probeRows[1], point.calibrationRows[1]);
        }
        text += '\n';
    }
    if (!complete)
        text += "# stopped after " + std::to_string(points.size()) + " points\n";
    if (readouts.points.empty() || std::none_of(readouts.points.begin(), readouts.points.end(),
                                                [](const PointReadout& p) { return p.measured; }))
        return text + "# no point measured\n";
    text += "# maximum gain: " + Fixed(readouts.maxGainDb, 4) + " dB\n";
    text += CrossingLine("-3 dB below the maximum", readouts.lowerCorner);
    text += CrossingLine("-3 dB above the maximum", readouts.upperCorner);
    text += CrossingLine("phase -180 degrees", readouts.phaseAt180);
    return text;
}

std::string CalibrationRanges(const Calibration& calibration, std::array<int, 2> probeRows) {
    std::string text;
    for (const CalibrationCurve& curve : calibration.curves)
        text += (text.empty() ? "(" : ", (") + RangeText(probeRows[0], curve.rangeRows[0]) + ", " +
                RangeText(probeRows[1], curve.rangeRows[1]) + ")";
    return text;
}

std::string CalibrationLine(const std::string& file, const Calibration& calibration,
                            std::array<int, 2> probeRows) {
    if (calibration.curves.empty())
        return "# calibration: none\n";
    return "# calibration: " + file + ", measured on ranges " +
           CalibrationRanges(calibration, probeRows) + "\n";
}

} // namespace duruz
