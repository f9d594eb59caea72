#include "view/status_texts.h"

#include "view/number_text.h"

#include <cmath>

namespace duruz {

namespace {

constexpr const char* kNone = "\u2014"; // an em dash

std::string Fixed(double value, int decimals) {
    std::string text;
    AppendFixed(text, value, decimals);
    return text;
}

std::string Count(std::uint32_t value) {
    std::string text;
    AppendInt(text, value);
    return text;
}

// A level that clipping cut short is only a bound: the true one lies beyond it, on
// the side the mark points to.
std::string Level(double volts, int digits, std::string_view unit, bool clipped,
                  const char* mark = ">") {
    std::string text(clipped ? mark : "");
    text += Engineering(volts, digits, unit);
    return text;
}

} // namespace

std::string Engineering(double value, int digits, std::string_view unit) {
    struct Prefix {
        double scale;
        const char* name;
    };
    static constexpr Prefix kPrefixes[] = {{1e6, "M"},  {1e3, "k"},       {1.0, ""},
                                           {1e-3, "m"}, {1e-6, "\u00b5"}, {1e-9, "n"}};
    const double magnitude = std::abs(value);
    const Prefix* prefix = &kPrefixes[2];
    if (magnitude > 0.0) {
        for (const Prefix& p : kPrefixes) {
            prefix = &p;
            // Rounded to the digits shown, so 999.96 reads "1.000 k", not "1000.0".
            const double scaled = magnitude / p.scale;
            const double whole = std::floor(std::log10(scaled)) + 1.0;
            const double rounded = std::round(scaled * std::pow(10.0, digits - whole)) /
                                   std::pow(10.0, digits - whole);
            if (rounded >= 1.0 && rounded < 1000.0)
                break;
        }
    }
    const double scaled = value / prefix->scale;
    const int whole =
        magnitude > 0.0 ? std::max(1, int(std::floor(std::log10(std::abs(scaled)))) + 1) : 1;
    std::string text = Fixed(scaled, std::max(0, digits - whole));
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1); // no "-0.00"
    return text + " " + prefix->name + std::string(unit);
}

LinkStatus StatusAfterOpen(const std::string& port, const Result<OpenedPort>& opened) {
    using enum LinkStatus::State;
    if (!opened.Ok())
        return {port, Failed, opened.Reason()};
    const std::string& step = opened.Value().notConfigured;
    return {port, step.empty() ? Open : Unconfigured, step};
}

std::string LinkText(const LinkStatus& status) {
    const std::string port = status.port.empty() ? "no port" : status.port;
    switch (status.state) {
    case LinkStatus::State::Open:
        return port + ": open";
    case LinkStatus::State::Unconfigured:
        return port + ": open, not configured: " + status.reason;
    case LinkStatus::State::Failed:
        return port + ": failed, " + status.reason;
    case LinkStatus::State::Disconnected:
        return port + ": disconnected";
    case LinkStatus::State::None:
        break;
    }
    return port + ": closed";
}

std::string RateText(double framesPerSecond, std::uint32_t frames) {
    return Fixed(framesPerSecond, 1) + " fps, " + Count(frames) + " frames";
}

std::string FaultsText(const LinkCounters& c) {
    return "Resyncs " + Count(c.resyncs) + " (" + Count(c.resyncBytes) + " B), timeouts " +
           Count(c.timeoutsEmpty) + " empty, " + Count(c.timeoutsPartial) + " part, " +
           Count(c.stale) + " stale";
}

std::string ChannelText(int channel, const ChannelMeasurements& m) {
    return "Ch" + Count(std::uint32_t(channel + 1)) + " " +
           (m.hasFrequency ? Engineering(m.frequency, 4, "Hz") : kNone) + "  " +
           Level(m.vpp, 3, "Vpp", m.overRange) + "  " + Level(m.rms, 3, "Vrms", m.overRange);
}

std::string ChannelDetail(int channel, const ChannelMeasurements& m) {
    std::string text = "Ch" + Count(std::uint32_t(channel + 1));
    if (m.overRange)
        text += " (over range: clipped samples)";
    text += "\nFrequency " + (m.hasFrequency ? Engineering(m.frequency, 4, "Hz") : kNone);
    text += "\nPeriod " + (m.hasFrequency ? Engineering(m.period, 4, "s") : kNone);
    text += "\nPeak-to-peak " + Level(m.vpp, 3, "V", m.overRange);
    text += "\nMinimum " + Level(m.vmin, 3, "V", m.clippedLow, "<");
    text += "\nMaximum " + Level(m.vmax, 3, "V", m.clippedHigh);
    text += "\nMean " + Engineering(m.mean, 3, "V");
    text += "\nRMS " + Level(m.rms, 3, "V", m.overRange);
    text += "\nDuty cycle " + (m.hasDuty ? Fixed(m.duty, 1) + " %" : kNone);
    return text;
}

std::string SpectrumText(int channel, const SpectrumPeak& peak) {
    const std::string name = "FFT" + Count(std::uint32_t(channel + 1)) + " peak ";
    if (!peak.found)
        return name + kNone;
    return name + Engineering(peak.frequency, 4, "Hz") + " " + Engineering(peak.level, 3, "Vpk");
}

} // namespace duruz
