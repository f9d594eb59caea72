#pragma once

#include "session/scope_settings.h"

#include <array>
#include <cstdint>
#include <string>

namespace duruz {

// A window larger than any desktop would get a picture too big to allocate when it
// is first shown; 8192 still spans an 8K screen or two 4K ones.
constexpr std::int32_t kMaxWindowExtent = 8192;

// The part of the settings a Config.Ini line belongs to.
enum class SettingGroup : std::uint8_t {
    Sweep,     // the sweep row
    Trigger,   // trigger source and polarity rows, level and position bars
    Port,      // the port row
    Vertical,  // probes and ranges
    Window,    // the window's place and size
    Display,   // the traces and spectra shown
    Hold,      // the hold box
    Generator, // waveform rows, frequency and amplitude texts
};

// One line of Config.Ini: its five-character key ("Hold " is four letters and a
// space) and the group of the field it holds.
struct ConfigKey {
    const char* key;
    SettingGroup group;
};

constexpr int kConfigLines = 25;

// The lines in file order, which is also the order loading applies them in:
// SwpSp SySrc SyPol ComPt Prob1 Scal1 Prob2 Scal2 SyLev SyPos Wleft Wtopp Wwidt
// Whigh Scop1 Scop2 Fft1C Fft2C Hold Wave1 Freq1 Ampl1 Wave2 Freq2 Ampl2.
extern const std::array<ConfigKey, kConfigLines> kConfigKeys;

// What applying one line did to the value.
struct ConfigLineChange {
    bool changed = false; // the field took a new value
    SettingGroup group = SettingGroup::Sweep;
    // A trigger bar moved: its change sends the trigger, as a bar moved by hand does.
    bool movesTrigger = false;
};

// Applies the value of line `index` (0-based, file order) as setting its control
// would: numbers through ParseLong, a flag set by any number but 0, a text as it
// stands. A list row outside 0..rows-1 other than -1 changes nothing (the port list
// has portRows rows); the bars clamp (level -2000..2000, position 0..2048); width and
// height are at most kMaxWindowExtent. An index outside the table changes nothing.
ConfigLineChange ApplyConfigLine(ScopeSettings& settings, int index, const char* value,
                                 int portRows);

// The whole file as a save writes it: 25 CR LF lines, each padded with spaces;
// the ComPt line carries settings.port.path after the row. Texts are cut to what a
// line holds and bytes the reader would take as line breaks are written as '?'.
std::string FormatConfig(const ScopeSettings& settings);

// The C library's atol: leading white space, an optional sign, decimal digits;
// saturates at the 32-bit limits.
std::int32_t ParseLong(const char* text);

} // namespace duruz
