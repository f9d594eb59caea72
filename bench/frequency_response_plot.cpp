// Draws measured frequency responses against the circuits' exact ones as an SVG: the
// default sweep (50 Hz to 40 kHz, 10 points a decade, 1 V) of the built-in
// simulator's first-order low-pass at 1 kHz and band-pass at 2 kHz with Q 2, its
// noise on, the engine in-process. Gain above, phase below, on a log frequency axis.
//
//   build/bench/frequency_response_plot docs/frequency-response.svg

#include "analysis/frequency_sweep.h"
#include "sim/circuit.h"
#include "simulated_sweep.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace duruz;

constexpr double kWidth = 760, kLeft = 70, kRight = 740;
constexpr double kLowHertz = 50, kHighHertz = 40000;

// A panel: its top and bottom in pixels and the values they stand for.
struct Panel {
    double top, bottom, high, low;
    double Y(double value) const { return top + (high - value) / (high - low) * (bottom - top); }
};

double X(double hertz) {
    return kLeft +
           std::log(hertz / kLowHertz) / std::log(kHighHertz / kLowHertz) * (kRight - kLeft);
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string Text(double x, double y, const std::string& text, const char* anchor = "middle") {
    return "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" text-anchor=\"" + anchor + "\">" +
           text + "</text>\n";
}

std::string Line(double x1, double y1, double x2, double y2, const char* colour) {
    return "<line x1=\"" + Number(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Number(x2) +
           "\" y2=\"" + Number(y2) + "\" stroke=\"" + colour + "\"/>\n";
}

// The grid, its labels every `step`, and the panel's name.
std::string Grid(const Panel& panel, double step, const std::string& name) {
    std::string svg;
    for (double value = panel.low; value <= panel.high + 1e-9; value += step)
        svg += Line(kLeft, panel.Y(value), kRight, panel.Y(value), "#ddd") +
               Text(kLeft - 6, panel.Y(value) + 4,
                    Number(value).substr(0, Number(value).size() - 2), "end");
    for (double decade = 100; decade <= kHighHertz; decade *= 10)
        for (int m = 1; m < 10 && decade * m <= kHighHertz; ++m)
            svg += Line(X(decade * m), panel.top, X(decade * m), panel.bottom,
                        m == 1 ? "#bbb" : "#eee");
    svg += "<rect x=\"" + Number(kLeft) + "\" y=\"" + Number(panel.top) + "\" width=\"" +
           Number(kRight - kLeft) + "\" height=\"" + Number(panel.bottom - panel.top) +
           "\" fill=\"none\" stroke=\"#444\"/>\n";
    svg += "<text transform=\"translate(18," + Number((panel.top + panel.bottom) / 2) +
           ") rotate(-90)\" text-anchor=\"middle\">" + name + "</text>\n";
    return svg;
}

// One circuit: its exact curves as lines, the measured points as circles.
std::string Curves(const char* circuitText, const char* colour, const Panel& gain,
                   const Panel& phase) {
    sim::InstrumentOptions options;
    options.paced = false;
    sim::ParseCircuit(circuitText, options.circuit);
    const std::vector<SweepPoint> points = bench_support::SimulatedSweep(options, SweepRequest{});
    const SweepReadouts readouts = ReadSweepPoints(points);
    std::string gainLine, phaseLine, svg;
    for (int i = 0; i <= 400; ++i) {
        const double hertz = kLowHertz * std::pow(kHighHertz / kLowHertz, i / 400.0);
        const std::complex<double> exact = sim::CircuitResponse(options.circuit, hertz);
        gainLine += Number(X(hertz)) + "," + Number(gain.Y(GainDb(exact))) + " ";
        phaseLine += Number(X(hertz)) + "," + Number(phase.Y(PhaseDegrees(exact))) + " ";
    }
    for (const std::string& line : {gainLine, phaseLine})
        svg += "<polyline fill=\"none\" stroke=\"" + std::string(colour) +
               "\" stroke-width=\"1.5\" points=\"" + line + "\"/>\n";
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!readouts.points[i].measured)
            continue;
        for (const double y :
             {gain.Y(readouts.points[i].gainDb), phase.Y(readouts.points[i].phaseDegrees)})
            svg += "<circle cx=\"" + Number(X(points[i].hertz)) + "\" cy=\"" + Number(y) +
                   "\" r=\"3.5\" fill=\"none\" stroke=\"" + colour + "\"/>\n";
    }
    return svg;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: frequency_response_plot OUTPUT.svg\n");
        return 2;
    }
    const Panel gain{40, 250, 5, -40}, phase{290, 500, 90, -90};
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(kWidth) +
                      "\" height=\"570\" font-family=\"sans-serif\" font-size=\"12\">\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += Text(kWidth / 2, 22,
                "Measured (circles) against exact (lines), simulator with noise, 10 points a "
                "decade");
    svg += Grid(gain, 5, "gain (dB)") + Grid(phase, 30, "phase (degrees)");
    for (const auto& [hertz, label] :
         {std::pair(100.0, "100 Hz"), std::pair(1000.0, "1 kHz"), std::pair(10000.0, "10 kHz")})
        svg += Text(X(hertz), phase.bottom + 18, label);
    svg += Curves("lowpass:1000", "#1f5fbf", gain, phase);
    svg += Curves("bandpass:2000:2", "#c0392b", gain, phase);
    svg += "<text x=\"80\" y=\"545\" fill=\"#1f5fbf\">first-order low-pass, 1 kHz</text>\n"
           "<text x=\"330\" y=\"545\" fill=\"#c0392b\">band-pass, 2 kHz, Q 2</text>\n</svg>\n";
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr || std::fwrite(svg.data(), 1, svg.size(), file) != svg.size() ||
        std::fclose(file) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
