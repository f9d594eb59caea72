#include "session/config_table.h"

#include "link/input_ranges.h"
#include "session/list_texts.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace duruz {

namespace {

// How a line's value reaches its field, as its control takes it.
enum class Kind : std::uint8_t {
    ListRow, // -1 or 0..rows-1; any other row changes nothing
    PortRow, // the same, for the port list's rows; the path follows on the line
    Bar,     // clamped to low..high
    Place,   // taken as it is
    Extent,  // at most kMaxWindowExtent
    Flag,    // any number but 0 sets it
    Text,    // taken as it stands
};

using S = ScopeSettings;

struct Field {
    ConfigKey key;
    Kind kind;
    std::int32_t low = 0;  // Bar: the least position
    std::int32_t high = 0; // ListRow: the rows; Bar: the greatest position
    std::int32_t* (*number)(S&) = nullptr;
    bool* (*flag)(S&) = nullptr;
    std::string* (*text)(S&) = nullptr;
};

constexpr Field Number(const char* key, SettingGroup group, Kind kind, std::int32_t* (*at)(S&),
                       std::int32_t low = 0, std::int32_t high = 0) {
    return {{key, group}, kind, low, high, at, nullptr, nullptr};
}
constexpr Field Flag(const char* key, SettingGroup group, bool* (*at)(S&)) {
    return {{key, group}, Kind::Flag, 0, 0, nullptr, at, nullptr};
}
constexpr Field Text(const char* key, std::string* (*at)(S&)) {
    return {{key, SettingGroup::Generator}, Kind::Text, 0, 0, nullptr, nullptr, at};
}

using G = SettingGroup;
constexpr std::int32_t kRows2 = 2;
constexpr std::array<Field, kConfigLines> kFields{{
    Number(
        "SwpSp", G::Sweep, Kind::ListRow, [](S& s) { return &s.sweepRow; }, 0,
        static_cast<std::int32_t>(kSweepRowTexts.size())),
    Number(
        "SySrc", G::Trigger, Kind::ListRow, [](S& s) { return &s.trigger.sourceRow; }, 0, kRows2),
    Number(
        "SyPol", G::Trigger, Kind::ListRow, [](S& s) { return &s.trigger.polarityRow; }, 0, kRows2),
    Number("ComPt", G::Port, Kind::PortRow, [](S& s) { return &s.port.row; }),
    Number(
        "Prob1", G::Vertical, Kind::ListRow, [](S& s) { return &s.channels[0].probeRow; }, 0,
        kProbeRows),
    Number(
        "Scal1", G::Vertical, Kind::ListRow, [](S& s) { return &s.channels[0].rangeRow; }, 0,
        kRangeRows),
    Number(
        "Prob2", G::Vertical, Kind::ListRow, [](S& s) { return &s.channels[1].probeRow; }, 0,
        kProbeRows),
    Number(
        "Scal2", G::Vertical, Kind::ListRow, [](S& s) { return &s.channels[1].rangeRow; }, 0,
        kRangeRows),
    Number(
        "SyLev", G::Trigger, Kind::Bar, [](S& s) { return &s.trigger.levelBar; }, -2000, 2000),
    Number(
        "SyPos", G::Trigger, Kind::Bar, [](S& s) { return &s.trigger.positionBar; }, 0, 2048),
    Number("Wleft", G::Window, Kind::Place, [](S& s) { return &s.window.left; }),
    Number("Wtopp", G::Window, Kind::Place, [](S& s) { return &s.window.top; }),
    Number("Wwidt", G::Window, Kind::Extent, [](S& s) { return &s.window.width; }),
    Number("Whigh", G::Window, Kind::Extent, [](S& s) { return &s.window.height; }),
    Flag("Scop1", G::Display, [](S& s) { return &s.channels[0].shown; }),
    Flag("Scop2", G::Display, [](S& s) { return &s.channels[1].shown; }),
    Flag("Fft1C", G::Display, [](S& s) { return &s.channels[0].spectrum; }),
    Flag("Fft2C", G::Display, [](S& s) { return &s.channels[1].spectrum; }),
    Flag("Hold ", G::Hold, [](S& s) { return &s.hold; }),
    Number(
        "Wave1", G::Generator, Kind::ListRow, [](S& s) { return &s.generator[0].waveformRow; }, 0,
        WaveformRowCount(0)),
    Text("Freq1", [](S& s) { return &s.generator[0].frequency; }),
    Text("Ampl1", [](S& s) { return &s.generator[0].amplitude; }),
    Number(
        "Wave2", G::Generator, Kind::ListRow, [](S& s) { return &s.generator[1].waveformRow; }, 0,
        WaveformRowCount(1)),
    Text("Freq2", [](S& s) { return &s.generator[1].frequency; }),
    Text("Ampl2", [](S& s) { return &s.generator[1].amplitude; }),
}};

// A line is formatted into 80 bytes, terminator included: 79 characters with CR LF.
constexpr int kLineBuffer = 80;
// 79 less the key, its space, 15 padding spaces and CR LF.
constexpr int kMaxTextLength = 56;

// Bytes the reader takes as separators (controls and everything from 0x80 up) would
// split the line and shift every later setting, so they are stored as '?'.
std::string Printable(std::string_view text, std::size_t maxLength) {
    std::string out(text.substr(0, maxLength));
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7F)
            c = '?';
    }
    return out;
}

void AppendNumber(std::string& out, const char* key, std::int32_t value) {
    char line[kLineBuffer];
    std::snprintf(line, sizeof line, "%s %d                \r\n", key, static_cast<int>(value));
    out += line;
}

void AppendText(std::string& out, const char* key, const std::string& text) {
    char line[kLineBuffer];
    std::snprintf(line, sizeof line, "%s %s               \r\n", key,
                  Printable(text, kMaxTextLength).c_str());
    out += line;
}

// The path is write-only (loading restores the port by its row), so it is cut to what
// fits the line rather than overflowing it.
void AppendPort(std::string& out, const char* key, std::int32_t row, const std::string& portPath) {
    char line[kLineBuffer];
    const int head =
        std::snprintf(line, sizeof line, "%s %d                ", key, static_cast<int>(row));
    const std::size_t room = static_cast<std::size_t>(kLineBuffer - 1 - 2 - head);
    const std::string path = Printable(portPath, room);
    std::snprintf(line + head, sizeof line - static_cast<std::size_t>(head), "%s\r\n",
                  path.c_str());
    out += line;
}

std::array<ConfigKey, kConfigLines> KeysOf(const std::array<Field, kConfigLines>& fields) {
    std::array<ConfigKey, kConfigLines> keys{};
    for (std::size_t i = 0; i < fields.size(); ++i)
        keys[i] = fields[i].key;
    return keys;
}

} // namespace

const std::array<ConfigKey, kConfigLines> kConfigKeys = KeysOf(kFields);

std::string FormatConfig(const ScopeSettings& settings) {
    ScopeSettings copy = settings; // the accessors take a value they may change
    std::string out;
    out.reserve(kConfigLines * kLineBuffer);
    for (const Field& field : kFields) {
        if (field.kind == Kind::Flag)
            AppendNumber(out, field.key.key, *field.flag(copy) ? 1 : 0);
        else if (field.kind == Kind::Text)
            AppendText(out, field.key.key, *field.text(copy));
        else if (field.kind == Kind::PortRow)
            AppendPort(out, field.key.key, *field.number(copy), copy.port.path);
        else
            AppendNumber(out, field.key.key, *field.number(copy));
    }
    return out;
}

ConfigLineChange ApplyConfigLine(ScopeSettings& settings, int index, const char* value,
                                 int portRows) {
    if (index < 0 || index >= kConfigLines)
        return {};
    const Field& field = kFields[static_cast<std::size_t>(index)];
    ConfigLineChange change;
    change.group = field.key.group;
    if (field.kind == Kind::Text) {
        std::string& text = *field.text(settings);
        change.changed = text != value;
        text = value;
        return change;
    }
    const std::int32_t number = ParseLong(value);
    if (field.kind == Kind::Flag) {
        bool& flag = *field.flag(settings);
        change.changed = flag != (number != 0);
        flag = number != 0;
        return change;
    }
    std::int32_t& target = *field.number(settings);
    std::int32_t next = number;
    switch (field.kind) {
    case Kind::ListRow:
    case Kind::PortRow: {
        const std::int32_t rows = field.kind == Kind::PortRow ? portRows : field.high;
        if (number != -1 && (number < 0 || number >= rows))
            return change;
        break;
    }
    case Kind::Bar:
        next = std::clamp(number, field.low, field.high);
        break;
    case Kind::Extent:
        next = std::min(number, kMaxWindowExtent);
        break;
    default:
        break;
    }
    change.changed = target != next;
    change.movesTrigger = field.kind == Kind::Bar && change.changed;
    target = next;
    return change;
}

std::int32_t ParseLong(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Saturates at the 32-bit limits instead of overflowing; the magnitude stops growing
    // once it is past them.
    constexpr std::int64_t kLimit = std::int64_t{INT32_MAX} + 1;
    std::int64_t magnitude = 0;
    while (*p >= '0' && *p <= '9') {
        if (magnitude <= kLimit)
            magnitude = magnitude * 10 + (*p - '0');
        ++p;
    }
    if (negative)
        return magnitude >= kLimit ? INT32_MIN : static_cast<std::int32_t>(-magnitude);
    return magnitude > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(magnitude);
}

} // namespace duruz
