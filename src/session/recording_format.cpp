#include "session/recording_format.h"

#include "base/crc32.h"

#include <bit>
#include <chrono>
#include <cstring>

namespace duruz {

namespace {

void PutUnsigned(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}
void Put32(std::string& out, std::int64_t value) {
    PutUnsigned(out, static_cast<std::uint64_t>(value), 4);
}
void Put64(std::string& out, std::int64_t value) {
    PutUnsigned(out, static_cast<std::uint64_t>(value), 8);
}
void PutText(std::string& out, const std::string& text) {
    Put32(out, static_cast<std::int64_t>(text.size()));
    out += text;
}
void PutTime(std::string& out, const RecordTime& time) {
    Put64(out, time.wallMillis);
    Put64(out, time.monotonicMicros);
}

void PutSettings(std::string& out, const ScopeSettings& s) {
    Put32(out, s.sweepRow);
    for (const ChannelSettings& channel : s.channels) {
        Put32(out, channel.probeRow);
        Put32(out, channel.rangeRow);
        out.push_back(channel.shown ? 1 : 0);
        out.push_back(channel.spectrum ? 1 : 0);
    }
    Put32(out, s.trigger.sourceRow);
    Put32(out, s.trigger.polarityRow);
    Put32(out, s.trigger.levelBar);
    Put32(out, s.trigger.positionBar);
    for (const GeneratorChannelSettings& channel : s.generator) {
        Put32(out, channel.waveformRow);
        PutText(out, channel.frequency);
        PutText(out, channel.amplitude);
    }
    out.push_back(s.hold ? 1 : 0);
    Put32(out, s.port.row);
    PutText(out, s.port.path);
    Put32(out, s.window.left);
    Put32(out, s.window.top);
    Put32(out, s.window.width);
    Put32(out, s.window.height);
}

// Fills in the length that opens out[start..] and closes it with the CRC of all of it.
void CloseWithCrc(std::string& out, std::size_t start, std::size_t lengthAt, std::size_t bodyAt) {
    const std::uint64_t length = out.size() - bodyAt;
    for (int i = 0; i < 4; ++i)
        out[lengthAt + i] = static_cast<char>(length >> (8 * i));
    Put32(out, Crc32(out.data() + start, out.size() - start));
}

std::size_t OpenRecord(std::string& out, RecordKind kind) {
    const std::size_t start = out.size();
    Put32(out, 0);
    out.push_back(static_cast<char>(kind));
    return start;
}

// Reads values in order from a body, and fails for good at the first that would
// run past its end.
class BodyReader {
public:
    BodyReader(const std::uint8_t* bytes, std::size_t length) : at_(bytes), end_(bytes + length) {}

    bool Ok() const { return ok_; }
    bool AtEnd() const { return ok_ && at_ == end_; }
    const std::uint8_t* Take(std::size_t count) {
        if (!ok_ || static_cast<std::size_t>(end_ - at_) < count) {
            ok_ = false;
            return nullptr;
        }
        const std::uint8_t* taken = at_;
        at_ += count;
        return taken;
    }
    std::uint64_t Unsigned(int bytes) {
        const std::uint8_t* p = Take(static_cast<std::size_t>(bytes));
        std::uint64_t value = 0;
        for (int i = 0; p && i < bytes; ++i)
            value |= std::uint64_t(p[i]) << (8 * i);
        return value;
    }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Unsigned(1)); }
    std::int32_t Int32() { return static_cast<std::int32_t>(Unsigned(4)); }
    std::int64_t Int64() { return static_cast<std::int64_t>(Unsigned(8)); }
    bool Flag() {
        const std::uint8_t value = Byte();
        ok_ = ok_ && value <= 1;
        return value == 1;
    }
    std::string Text() {
        const std::uint64_t length = Unsigned(4);
        const std::uint8_t* p = Take(length);
        return p ? std::string(reinterpret_cast<const char*>(p), length) : std::string();
    }
    RecordTime Time() {
        RecordTime time;
        time.wallMillis = Int64();
        time.monotonicMicros = Int64();
        return time;
    }
    void Settings(ScopeSettings& s) {
        s.sweepRow = Int32();
        for (ChannelSettings& channel : s.channels) {
            channel.probeRow = Int32();
            channel.rangeRow = Int32();
            channel.shown = Flag();
            channel.spectrum = Flag();
        }
        s.trigger.sourceRow = Int32();
        s.trigger.polarityRow = Int32();
        s.trigger.levelBar = Int32();
        s.trigger.positionBar = Int32();
        for (GeneratorChannelSettings& channel : s.generator) {
            channel.waveformRow = Int32();
            channel.frequency = Text();
            channel.amplitude = Text();
        }
        s.hold = Flag();
        s.port.row = Int32();
        s.port.path = Text();
        s.window.left = Int32();
        s.window.top = Int32();
        s.window.width = Int32();
        s.window.height = Int32();
    }

private:
    const std::uint8_t* at_;
    const std::uint8_t* end_;
    bool ok_ = true;
};

} // namespace

RecordTime RecordTime::Now() {
    using namespace std::chrono;
    RecordTime time;
    time.wallMillis = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    time.monotonicMicros =
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
    return time;
}

void AppendHeader(std::string& out, const RecordingHeader& header) {
    const std::size_t start = out.size();
    out.append(kRecordingMagic, sizeof kRecordingMagic);
    Put32(out, kRecordingFormatVersion);
    const std::size_t lengthAt = out.size();
    Put32(out, 0);
    PutText(out, header.programVersion);
    PutTime(out, header.start);
    PutSettings(out, header.settings);
    CloseWithCrc(out, start, lengthAt, lengthAt + 4);
}

namespace {

// A frame record up to its sample type; gives where the record starts.
std::size_t OpenFrameRecord(std::string& out, std::uint64_t sequence, const RecordTime& time,
                            const ScopeSettings& settings, const LinkCounters& counters,
                            SampleType type) {
    const std::size_t start = OpenRecord(out, RecordKind::Frame);
    Put64(out, static_cast<std::int64_t>(sequence));
    PutTime(out, time);
    PutSettings(out, settings);
    for (std::uint32_t value : {counters.framesReceived, counters.resyncs, counters.resyncBytes,
                                counters.timeoutsEmpty, counters.timeoutsPartial, counters.stale})
        Put32(out, value);
    out.push_back(static_cast<char>(type));
    return start;
}

} // namespace

void AppendFrameRecord(std::string& out, std::uint64_t sequence, const RecordTime& time,
                       const ScopeSettings& settings, const LinkCounters& counters,
                       const std::int16_t* counts, std::size_t countValues) {
    const std::size_t start =
        OpenFrameRecord(out, sequence, time, settings, counters, SampleType::RawCounts16);
    Put32(out, static_cast<std::int64_t>(countValues));
    for (std::size_t i = 0; i < countValues; ++i)
        PutUnsigned(out, static_cast<std::uint16_t>(counts[i]), 2);
    CloseWithCrc(out, start, start, start + 5);
}

void AppendAveragedFrameRecord(std::string& out, std::uint64_t sequence, const RecordTime& time,
                               const ScopeSettings& settings, const LinkCounters& counters,
                               std::uint32_t framesAveraged, const float* volts,
                               std::size_t voltValues) {
    const std::size_t start =
        OpenFrameRecord(out, sequence, time, settings, counters, SampleType::Float32);
    Put32(out, framesAveraged);
    Put32(out, static_cast<std::int64_t>(voltValues));
    for (std::size_t i = 0; i < voltValues; ++i)
        PutUnsigned(out, std::bit_cast<std::uint32_t>(volts[i]), 4);
    CloseWithCrc(out, start, start, start + 5);
}

void AppendSettingsRecord(std::string& out, const RecordTime& time, const ScopeSettings& settings) {
    const std::size_t start = OpenRecord(out, RecordKind::SettingsChange);
    PutTime(out, time);
    PutSettings(out, settings);
    CloseWithCrc(out, start, start, start + 5);
}

void AppendGapRecord(std::string& out, const RecordTime& time, GapKind gap) {
    const std::size_t start = OpenRecord(out, RecordKind::Gap);
    PutTime(out, time);
    out.push_back(static_cast<char>(gap));
    CloseWithCrc(out, start, start, start + 5);
}

bool ParseHeaderBody(const std::uint8_t* body, std::size_t length, RecordingHeader& header) {
    BodyReader in(body, length);
    header.programVersion = in.Text();
    header.start = in.Time();
    in.Settings(header.settings);
    return in.AtEnd();
}

bool ParseRecordBody(RecordKind kind, const std::uint8_t* body, std::size_t length,
                     RecordingRecord& record) {
    BodyReader in(body, length);
    record.kind = kind;
    switch (kind) {
    case RecordKind::Frame: {
        record.sequence = in.Unsigned(8);
        record.time = in.Time();
        in.Settings(record.settings);
        LinkCounters& c = record.counters;
        for (std::uint32_t* value : {&c.framesReceived, &c.resyncs, &c.resyncBytes,
                                     &c.timeoutsEmpty, &c.timeoutsPartial, &c.stale})
            *value = static_cast<std::uint32_t>(in.Unsigned(4));
        c.inResync = false;
        record.sampleType = static_cast<SampleType>(in.Byte());
        record.framesAveraged = record.sampleType == SampleType::Float32
                                    ? static_cast<std::uint32_t>(in.Unsigned(4))
                                    : 1;
        const std::uint64_t values = in.Unsigned(4);
        const std::size_t size = record.sampleType == SampleType::Float32 ? 4 : 2;
        if (values > length) // more values than bytes: no product that could wrap
            return false;
        if (record.sampleType != SampleType::RawCounts16 &&
            record.sampleType != SampleType::Float32)
            return false;
        const std::uint8_t* p = in.Take(values * size);
        if (!p)
            return false;
        if (record.sampleType == SampleType::RawCounts16) {
            record.counts.resize(values);
            for (std::size_t i = 0; i < values; ++i)
                record.counts[i] = static_cast<std::int16_t>(p[2 * i] | p[2 * i + 1] << 8);
        } else {
            record.volts.resize(values);
            // Little-endian floats, as the host holds them (see link/capture_store.h).
            std::memcpy(record.volts.data(), p, values * size);
        }
        break;
    }
    case RecordKind::SettingsChange:
        record.time = in.Time();
        in.Settings(record.settings);
        break;
    case RecordKind::Gap:
        record.time = in.Time();
        record.gap = static_cast<GapKind>(in.Byte());
        if (record.gap != GapKind::Timeout && record.gap != GapKind::Reconnect)
            return false;
        break;
    default:
        return false;
    }
    return in.AtEnd();
}

} // namespace duruz
