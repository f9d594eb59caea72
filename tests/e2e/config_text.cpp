#include "e2e/config_text.h"

namespace e2e {

namespace {

const std::string kNumberPadding(16, ' ');
const std::string kTextPadding(15, ' ');

std::string Number(const char* key, int value) {
    return std::string(key) + " " + std::to_string(value) + kNumberPadding + "\r\n";
}

std::string Text(const char* key, const std::string& value) {
    return std::string(key) + " " + value + kTextPadding + "\r\n";
}

} // namespace

std::string ConfigText(const SavedSettings& s) {
    return Number("SwpSp", s.sweep) + Number("SySrc", s.syncSource) +
           Number("SyPol", s.syncPolarity) + "ComPt " + std::to_string(s.portRow) + kNumberPadding +
           s.portPath + "\r\n" + Number("Prob1", s.probe1) + Number("Scal1", s.scale1) +
           Number("Prob2", s.probe2) + Number("Scal2", s.scale2) + Number("SyLev", s.syncLevel) +
           Number("SyPos", s.syncPosition) + Number("Wleft", s.left) + Number("Wtopp", s.top) +
           Number("Wwidt", s.width) + Number("Whigh", s.height) + Number("Scop1", s.scope1) +
           Number("Scop2", s.scope2) + Number("Fft1C", s.fft1) + Number("Fft2C", s.fft2) +
           Number("Hold ", s.hold) + Number("Wave1", s.wave1) + Text("Freq1", s.freq1) +
           Text("Ampl1", s.ampl1) + Number("Wave2", s.wave2) + Text("Freq2", s.freq2) +
           Text("Ampl2", s.ampl2);
}

} // namespace e2e
